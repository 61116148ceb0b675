#include "platform/files/program_folder.h"

#include "platform/files/wide_text.h"

#include <windows.h>

namespace purgix::platform {

namespace {

// Long enough for any path the system allows.
constexpr DWORD kMaxModulePath = 32768;

} // namespace

const char kFolderSeparator = '\\';

std::string programFolder()
{
    std::wstring path(kMaxModulePath, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), kMaxModulePath);
    if (length == 0 || length >= kMaxModulePath) {
        return {};
    }
    path.resize(length);
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    // A drive's root keeps its backslash: "C:\", as "/" stays on Linux.
    const bool root = separator > 0 && path[separator - 1] == L':';
    return utf8Text(std::wstring_view(path).substr(0, root ? separator + 1 : separator));
}

} // namespace purgix::platform
