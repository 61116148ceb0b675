#pragma once

#include "window_desktop.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace purgix::test {

// Records every message and question, answers from a script (Cancel when it runs out),
// and hands out a chosen file and clipboard text.
struct FakeDesktop final : window::WindowDesktop
{
    std::vector<std::string> shown;
    std::deque<platform::Answer> answers;
    std::optional<std::string> choice;
    std::string clipboard;

    void information(const std::string& text) override { shown.push_back(text); }
    platform::Answer askYesNoCancel(const std::string& text) override
    {
        shown.push_back(text);
        const platform::Answer answer =
            answers.empty() ? platform::Answer::Cancel : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    std::optional<std::string> chooseFile() override { return choice; }
    std::string clipboardText() override { return clipboard; }
};

} // namespace purgix::test
