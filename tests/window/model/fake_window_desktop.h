#pragma once

#include "window/model/window_desktop.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace purgix::test {

// Records every message and question, answers from a script (Cancel when it runs out),
// and hands out a chosen file and clipboard text. `whileShown` runs inside each message.
struct FakeDesktop final : window::WindowDesktop
{
    std::vector<std::string> shown;
    std::deque<window::Answer> answers;
    std::optional<std::string> choice;
    std::string clipboard;
    std::function<void()> whileShown;

    void information(const std::string& text) override
    {
        shown.push_back(text);
        if (whileShown) {
            whileShown();
        }
    }
    window::Answer askYesNoCancel(const std::string& text) override
    {
        shown.push_back(text);
        const window::Answer answer = answers.empty() ? window::Answer::Cancel : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    std::optional<std::string> chooseFile() override { return choice; }
    std::string clipboardText() override { return clipboard; }
};

} // namespace purgix::test
