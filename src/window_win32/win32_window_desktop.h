#pragma once

#include "window_desktop.h"

namespace purgix::window {

// The system's message boxes, open-file dialog and clipboard, owned by one window.
class Win32WindowDesktop final : public WindowDesktop
{
public:
    // The window (HWND) that owns the dialogs, once it exists.
    void setOwner(void* owner) { m_owner = owner; }

    void information(const std::string& text) override;
    platform::Answer askYesNoCancel(const std::string& text) override;
    std::optional<std::string> chooseFile() override;
    std::string clipboardText() override;

private:
    void* m_owner = nullptr;
};

} // namespace purgix::window
