#pragma once

#include <optional>
#include <string>

namespace purgix::window {

// The answer to a question asked with Yes, No and Cancel.
enum class Answer { Yes, No, Cancel };

// The desktop services the window model uses, bound to its window. Texts are UTF-8.
class WindowDesktop
{
public:
    virtual ~WindowDesktop() = default;

    // A modal message box with an OK button.
    virtual void information(const std::string& text) = 0;
    // A modal question with Yes, No and Cancel, Yes being the default button.
    virtual Answer askYesNoCancel(const std::string& text) = 0;
    // The file chosen in the open-file dialog; nothing when it was cancelled.
    virtual std::optional<std::string> chooseFile() = 0;
    // The clipboard's text; empty when it holds none.
    virtual std::string clipboardText() = 0;
};

} // namespace purgix::window
