#include "platform/files/code_page.h"

#include "platform/files/wide_text.h"

#include <windows.h>

namespace purgix::platform {

namespace {

// The system's ANSI code page as the registry keeps it: GetACP() answers 65001 in a
// program whose manifest asks for UTF-8.
UINT systemCodePage()
{
    static const UINT codePage = [] {
        wchar_t value[16] = {};
        DWORD size = sizeof(value);
        if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage",
                           L"ACP", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
            return static_cast<UINT>(1252);
        }
        const UINT number = static_cast<UINT>(std::wcstoul(value, nullptr, 10));
        return number != 0 && number != CP_UTF8 ? number : static_cast<UINT>(1252);
    }();
    return codePage;
}

// The code page's bytes for one character (one or two UTF-16 units); nothing when it has
// none.
std::string charBytes(std::wstring_view character)
{
    char bytes[8] = {};
    BOOL defaulted = FALSE;
    const int length = ::WideCharToMultiByte(systemCodePage(), WC_NO_BEST_FIT_CHARS,
                                             character.data(), static_cast<int>(character.size()),
                                             bytes, sizeof(bytes), nullptr, &defaulted);
    return length > 0 && !defaulted ? std::string(bytes, static_cast<std::size_t>(length))
                                    : std::string();
}

} // namespace

bool hasAnsiCodePage()
{
    return true;
}

std::string textFromAnsiCodePage(std::string_view bytes)
{
    const int length = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(systemCodePage(), 0, bytes.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(systemCodePage(), 0, bytes.data(), length, wide.data(), size);
    return utf8Text(wide);
}

std::string ansiCodePageBytes(std::string_view text)
{
    const std::wstring wide = wideText(text);
    std::string bytes;
    for (std::size_t at = 0; at < wide.size();) {
        const bool pair =
            IS_HIGH_SURROGATE(wide[at]) && at + 1 < wide.size() && IS_LOW_SURROGATE(wide[at + 1]);
        const std::wstring_view character(wide.data() + at, pair ? 2 : 1);
        const std::string own = charBytes(character);
        bytes += own.empty() ? utf8Text(character) : own;
        at += character.size();
    }
    return bytes;
}

} // namespace purgix::platform
