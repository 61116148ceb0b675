#include "platform/files/windows/windows_file_system.h"

#include "platform/files/wide_text.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sddl.h>
#include <vector>
#include <winternl.h>

namespace purgix::platform {

namespace {

// A range far past the end of any real file: only other runs, which lock the same
// range, wait for it, while readers of the file's bytes are never held up.
constexpr DWORD kLockOffsetHigh = 0x7fffffff;

// Paths from this length on are given in the "\\?\" form, which has no 260-character
// limit; it takes only full paths, with backslashes and without "." or "..".
constexpr std::size_t kLongPath = 240;

std::wstring fullPath(const std::wstring& path)
{
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(length < size ? length : 0);
    return full.empty() ? path : full;
}

// The system path of a UTF-8 path, with forward slashes turned into backslashes: most
// calls accept either, but ReplaceFileW does not (Wine's fails on "/tmp/file").
std::wstring systemPath(const std::string& path)
{
    std::wstring wide = wideText(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (wide.size() < kLongPath || wide.starts_with(L"\\\\?\\")) {
        return wide;
    }
    const std::wstring full = fullPath(wide);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

// The NT form of a path ("\\??\\C:\\dir\\name"), which renaming an open file takes.
std::wstring ntPath(const std::string& path)
{
    std::wstring wide = wideText(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    const std::wstring full = fullPath(wide);
    if (full.starts_with(L"\\\\?\\")) {
        return L"\\??\\" + full.substr(4);
    }
    if (full.starts_with(L"\\\\")) {
        return L"\\??\\UNC\\" + full.substr(2);
    }
    return L"\\??\\" + full;
}

class SystemCalls final : public WindowsFileSystem
{
public:
    HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags, const std::string& security) override
    {
        std::string descriptor = security;
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.data(), FALSE};
        return ::CreateFileW(systemPath(path).c_str(), access, share,
                             security.empty() ? nullptr : &attributes, disposition,
                             FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    }

    HANDLE reopen(HANDLE file, DWORD access, DWORD share) override
    {
        return ::ReOpenFile(file, access, share, 0);
    }

    std::string finalPath(HANDLE file) override
    {
        const DWORD size = ::GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
        if (size == 0) {
            return {};
        }
        std::wstring path(size, L'\0');
        const DWORD length =
            ::GetFinalPathNameByHandleW(file, path.data(), size, FILE_NAME_NORMALIZED);
        if (length == 0 || length >= size) {
            return {};
        }
        path.resize(length);
        return utf8Text(path);
    }

    bool read(HANDLE file, void* buffer, DWORD size, DWORD& count) override
    {
        return ::ReadFile(file, buffer, size, &count, nullptr) != 0;
    }

    bool write(HANDLE file, const void* data, DWORD size, DWORD& count) override
    {
        return ::WriteFile(file, data, size, &count, nullptr) != 0;
    }

    bool seek(HANDLE file, std::int64_t offset) override
    {
        LARGE_INTEGER distance;
        distance.QuadPart = offset;
        return ::SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != 0;
    }

    bool setEnd(HANDLE file) override { return ::SetEndOfFile(file) != 0; }

    bool size(HANDLE file, std::int64_t& size) override
    {
        LARGE_INTEGER value;
        if (::GetFileSizeEx(file, &value) == 0) {
            return false;
        }
        size = value.QuadPart;
        return true;
    }

    bool flush(HANDLE file) override { return ::FlushFileBuffers(file) != 0; }

    bool close(HANDLE file) override { return ::CloseHandle(file) != 0; }

    bool information(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) override
    {
        return ::GetFileInformationByHandle(file, &information) != 0;
    }

    DWORD fileType(HANDLE file) override { return ::GetFileType(file); }

    bool grantedAccess(HANDLE file, ACCESS_MASK& access) override
    {
        PUBLIC_OBJECT_BASIC_INFORMATION information = {};
        if (::NtQueryObject(file, ObjectBasicInformation, &information, sizeof(information),
                            nullptr) < 0) {
            ::SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        access = information.GrantedAccess;
        return true;
    }

    bool lock(HANDLE file) override
    {
        OVERLAPPED range = {};
        range.OffsetHigh = kLockOffsetHigh;
        return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                            &range) != 0;
    }

    DWORD attributes(const std::string& path) override
    {
        return ::GetFileAttributesW(systemPath(path).c_str());
    }

    bool replace(const std::string& replaced, const std::string& replacement) override
    {
        return ::ReplaceFileW(systemPath(replaced).c_str(), systemPath(replacement).c_str(),
                              nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
    }

    bool move(const std::string& from, const std::string& to) override
    {
        return ::MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool rename(HANDLE file, const std::string& to, bool replaceExisting) override
    {
        const std::wstring name = ntPath(to);
        const std::size_t nameBytes = name.size() * sizeof(wchar_t);
        std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
        auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        info->ReplaceIfExists = replaceExisting ? TRUE : FALSE;
        info->RootDirectory = nullptr;
        info->FileNameLength = static_cast<DWORD>(nameBytes);
        // FileName[1] in the structure leaves room for the terminating NUL.
        std::memcpy(info->FileName, name.c_str(), nameBytes + sizeof(wchar_t));
        return ::SetFileInformationByHandle(file, FileRenameInfo, info,
                                            static_cast<DWORD>(buffer.size())) != 0;
    }

    bool link(const std::string& existing, const std::string& name) override
    {
        return ::CreateHardLinkW(systemPath(name).c_str(), systemPath(existing).c_str(), nullptr) !=
               0;
    }

    bool remove(const std::string& path) override
    {
        return ::DeleteFileW(systemPath(path).c_str()) != 0;
    }

    bool setRemovedOnClose(HANDLE file, bool removed) override
    {
        FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(removed ? TRUE : FALSE)};
        return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                            sizeof disposition) != 0;
    }

    bool security(HANDLE file, std::string& descriptor) override
    {
        DWORD size = 0;
        ::GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
        if (size == 0) {
            return false;
        }
        descriptor.assign(size, '\0');
        return ::GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor.data(), size,
                                         &size) != 0 &&
               ::SetSecurityDescriptorControl(descriptor.data(), SE_DACL_PROTECTED,
                                              SE_DACL_PROTECTED) != 0;
    }

    bool userOnlySecurity(std::string& descriptor) override
    {
        const std::optional<std::wstring> user = processUserSid();
        if (!user) {
            return false;
        }
        // Full access for the user, protected from what the folder hands down.
        const std::wstring text = L"D:P(A;;FA;;;" + *user + L")";
        PSECURITY_DESCRIPTOR made = nullptr;
        ULONG size = 0;
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                   &made, &size) == 0) {
            return false;
        }
        descriptor.assign(static_cast<const char*>(made), size);
        ::LocalFree(made);
        return true;
    }

    bool setModifiedTime(HANDLE file, std::int64_t modified) override
    {
        FILETIME time = {static_cast<DWORD>(static_cast<std::uint64_t>(modified) & 0xffffffffU),
                         static_cast<DWORD>(static_cast<std::uint64_t>(modified) >> 32)};
        return ::SetFileTime(file, nullptr, nullptr, &time) != 0;
    }

private:
    // The SID of the user this process runs as, in its string form.
    static std::optional<std::wstring> processUserSid()
    {
        HANDLE token = nullptr;
        if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
            return std::nullopt;
        }
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<char> user(size);
        const bool read =
            size != 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size) != 0;
        const DWORD error = ::GetLastError();
        ::CloseHandle(token);
        ::SetLastError(error);
        LPWSTR text = nullptr;
        if (!read || ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid,
                                              &text) == 0) {
            return std::nullopt;
        }
        std::wstring sid(text);
        ::LocalFree(text);
        return sid;
    }
};

} // namespace

FileSystem& systemFileSystem()
{
    static SystemCalls fileSystem;
    return fileSystem;
}

} // namespace purgix::platform
