#pragma once

#include "desktop_services.h"
#include "window_desktop.h"

class QWidget;

namespace purgix::window {

// The Qt desktop services, bound to the window that owns their dialogs. Texts cross
// between UTF-8 bytes and QString here.
class QtWindowDesktop final : public WindowDesktop
{
public:
    QtWindowDesktop(platform::DesktopServices services, QWidget* window)
        : m_services(services), m_window(window)
    {
    }

    void information(const std::string& text) override;
    platform::Answer askYesNoCancel(const std::string& text) override;
    std::optional<std::string> chooseFile() override;
    std::string clipboardText() override;

private:
    platform::DesktopServices m_services;
    QWidget* m_window;
};

} // namespace purgix::window
