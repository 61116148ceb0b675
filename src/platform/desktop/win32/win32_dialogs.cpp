#include "win32_dialogs.h"

#include "wide_text.h"

// <windows.h> must come first.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

namespace purgix::platform {

namespace {

// Room for the longest path the system allows, not MAX_PATH.
constexpr DWORD kPathBufferSize = 32768;

int showBox(void* owner, const std::string& text, UINT buttons)
{
    return ::MessageBoxW(static_cast<HWND>(owner), wideText(text).c_str(),
                         wideText(kApplicationTitle).c_str(), buttons);
}

} // namespace

void showInformation(void* owner, const std::string& text)
{
    showBox(owner, text, MB_OK);
}

Answer askYesNoCancel(void* owner, const std::string& text)
{
    switch (showBox(owner, text, MB_YESNOCANCEL | MB_DEFBUTTON1)) {
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<std::string> chooseOpenFile(void* owner)
{
    std::wstring file(kPathBufferSize, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = static_cast<HWND>(owner);
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
    return utf8Text(file);
}

std::string clipboardText(void* owner)
{
    if (::OpenClipboard(static_cast<HWND>(owner)) == 0) {
        return {};
    }
    std::string text;
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = utf8Text(wide);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace purgix::platform
