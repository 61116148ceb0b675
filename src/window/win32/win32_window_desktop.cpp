#include "window/win32/win32_window_desktop.h"

#include "platform/files/wide_text.h"
#include "window/model/layout_table.h"

// <windows.h> must come first.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

namespace purgix::window {

namespace {

// Room for the longest path the system allows, not MAX_PATH.
constexpr DWORD kPathBufferSize = 32768;

int showBox(HWND owner, const std::string& text, UINT buttons)
{
    return ::MessageBoxW(owner, platform::wideText(text).c_str(),
                         platform::wideText(kApplicationTitle).c_str(), buttons);
}

} // namespace

HWND Win32WindowDesktop::owner() const
{
    return static_cast<HWND>(m_owner);
}

void Win32WindowDesktop::information(const std::string& text)
{
    showBox(owner(), text, MB_OK);
}

Answer Win32WindowDesktop::askYesNoCancel(const std::string& text)
{
    switch (showBox(owner(), text, MB_YESNOCANCEL | MB_DEFBUTTON1)) {
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<std::string> Win32WindowDesktop::chooseFile()
{
    std::wstring file(kPathBufferSize, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner();
    dialog.hInstance = ::GetModuleHandleW(nullptr);
    dialog.lpstrFilter = L"All Files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kPathBufferSize;
    dialog.lpstrTitle = L"Open";
    dialog.Flags = OFN_READONLY;
    if (::GetOpenFileNameW(&dialog) == 0) {
        return std::nullopt;
    }
    file.resize(file.find(L'\0'));
    return platform::utf8Text(file);
}

std::string Win32WindowDesktop::clipboardText()
{
    if (::OpenClipboard(owner()) == 0) {
        return {};
    }
    std::string text;
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = platform::utf8Text(wide);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace purgix::window
