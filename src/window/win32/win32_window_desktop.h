#pragma once

#include "window/model/window_desktop.h"

struct HWND__;

namespace purgix::window {

// The system's message boxes, open-file dialog and clipboard, owned by one window.
// Message boxes are captioned with the application title and shown without an icon.
class Win32WindowDesktop final : public WindowDesktop
{
public:
    // The window (HWND) that owns the dialogs, once it exists.
    void setOwner(void* owner) { m_owner = owner; }

    void information(const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    // The open-file dialog titled "Open", showing all files.
    std::optional<std::string> chooseFile() override;
    // The clipboard's Unicode text.
    std::string clipboardText() override;

private:
    HWND__* owner() const;

    void* m_owner = nullptr;
};

} // namespace purgix::window
