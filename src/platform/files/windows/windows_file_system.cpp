#include "wide_text.h"
#include "win32_file_system.h"

#include <algorithm>

namespace purgix::platform {

namespace {

// A range far past the end of any real file: only other runs, which lock the same
// range, wait for it, while readers of the file's bytes are never held up.
constexpr DWORD kLockOffsetHigh = 0x7fffffff;

// The system path of a UTF-8 path, with forward slashes turned into backslashes: most
// calls accept either, but ReplaceFileW does not (Wine's fails on "/tmp/file").
std::wstring systemPath(const std::string& path)
{
    std::wstring wide = wideText(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

class Win32FileSystem final : public FileSystem
{
public:
    HANDLE createFile(const std::string& path, DWORD access, DWORD share,
                      DWORD disposition) override
    {
        return ::CreateFileW(systemPath(path).c_str(), access, share, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
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

    bool lock(HANDLE file) override
    {
        OVERLAPPED range = {};
        range.OffsetHigh = kLockOffsetHigh;
        return ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range) != 0;
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
};

} // namespace

FileSystem& systemFileSystem()
{
    static Win32FileSystem fileSystem;
    return fileSystem;
}

} // namespace purgix::platform
