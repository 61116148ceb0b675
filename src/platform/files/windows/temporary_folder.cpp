#include "platform/files/temporary_folder.h"

#include "platform/files/detail/temporary_file.h"
#include "platform/files/wide_text.h"
#include "platform/files/windows/windows_file_system.h"

#include <windows.h>

namespace purgix::platform {

namespace {

using GetTempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);

// GetTempPath2W (Windows 11, and updated Windows 10) gives processes running as SYSTEM
// a folder of their own; older systems have only GetTempPathW.
GetTempPath2 findGetTempPath2()
{
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<GetTempPath2>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetTempPath2W")));
}

} // namespace

std::string temporaryFolderPath()
{
    static const GetTempPath2 getTempPath2 = findGetTempPath2();
    wchar_t path[MAX_PATH + 1];
    const DWORD length = getTempPath2 != nullptr ? getTempPath2(MAX_PATH + 1, path)
                                                 : ::GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    std::wstring folder(path, length);
    // Without its trailing backslash, as files are joined to it with one.
    if (folder.size() > 3 && folder.back() == L'\\') {
        folder.pop_back();
    }
    return utf8Text(folder);
}

TemporaryFolder checkTemporaryFolder(FileSystem& fileSystem, const std::string& folder)
{
    const DWORD attributes =
        folder.empty() ? INVALID_FILE_ATTRIBUTES : fileSystem.attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return TemporaryFolder::NotAFolder;
    }
    const TemporaryFile probe(fileSystem, noHandle(), folder, "tmp");
    return probe.isOpen() ? TemporaryFolder::Usable : TemporaryFolder::NoNewFile;
}

} // namespace purgix::platform
