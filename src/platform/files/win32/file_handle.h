#pragma once

#include <windows.h>

namespace purgix::platform {

class FileSystem;

// Owns an open file handle and closes it through its FileSystem when it goes out of
// scope, so that no failure path can leak one.
class FileHandle
{
public:
    FileHandle() = default;
    FileHandle(FileSystem& fileSystem, HANDLE handle) : m_fileSystem(&fileSystem), m_handle(handle)
    {
    }
    ~FileHandle() { reset(); }
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return m_handle; }
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    // Closes the handle now; GetLastError() is left as it was, so a caller may close on
    // its way out of a failure and still report the failure's own reason.
    void reset();

private:
    FileSystem* m_fileSystem = nullptr;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace purgix::platform
