#include "win32_window_desktop.h"

#include "win32_dialogs.h"

namespace purgix::window {

void Win32WindowDesktop::information(const std::string& text)
{
    platform::showInformation(m_owner, text);
}

platform::Answer Win32WindowDesktop::askYesNoCancel(const std::string& text)
{
    return platform::askYesNoCancel(m_owner, text);
}

std::optional<std::string> Win32WindowDesktop::chooseFile()
{
    return platform::chooseOpenFile(m_owner);
}

std::string Win32WindowDesktop::clipboardText()
{
    return platform::clipboardText(m_owner);
}

} // namespace purgix::window
