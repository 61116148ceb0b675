#pragma once

#include "answer.h"

#include <optional>
#include <string>

namespace purgix::window {

// The desktop services the window model uses, bound to its window. Texts are UTF-8.
class WindowDesktop
{
public:
    virtual ~WindowDesktop() = default;

    // A modal message box with an OK button.
    virtual void information(const std::string& text) = 0;
    // A modal question with Yes, No and Cancel, Yes being the default button.
    virtual platform::Answer askYesNoCancel(const std::string& text) = 0;
    // The file chosen in the open-file dialog; nothing when it was cancelled.
    virtual std::optional<std::string> chooseFile() = 0;
    // The clipboard's text; empty when it holds none.
    virtual std::string clipboardText() = 0;
};

} // namespace purgix::window
