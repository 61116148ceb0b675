#pragma once

#include "platform/files/file_system.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace purgix::platform {

#ifdef _WIN32
using NativeHandle = void*; // a Win32 HANDLE
#else
using NativeHandle = int; // a file descriptor
#endif

// The value of a handle that names no open file.
NativeHandle noHandle();

// Owns an open file (or folder) and closes it through its FileSystem when it goes out of
// scope, so that no failure path can leak one.
class NativeFile
{
public:
    NativeFile() : m_handle(noHandle()) {}
    NativeFile(FileSystem& fileSystem, NativeHandle handle)
        : m_fileSystem(&fileSystem), m_handle(handle)
    {
    }
    ~NativeFile() { reset(); }
    NativeFile(NativeFile&& other) noexcept;
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    NativeHandle get() const { return m_handle; }
    bool isOpen() const { return m_handle != noHandle(); }

    // Closes the file now; the last error (errno, GetLastError()) is left as it was, so
    // that a caller may close on its way out of a failure and still report its reason.
    void reset();

private:
    FileSystem* m_fileSystem = nullptr;
    NativeHandle m_handle;
};

// What the replacement needs to know of a file. Fields a system does not have stay zero.
struct FileStatus
{
    std::uint64_t volume = 0; // device, or volume serial number
    std::uint64_t index = 0;  // inode, or file index
    std::int64_t size = 0;
    std::int64_t modified = 0; // in the system's own unit
    std::uint64_t links = 1;   // names the file has
    bool writeBits = true;     // some write permission, or no read-only attribute
    bool sparse = false;       // it takes less room than its size: it has holes
    std::uint32_t mode = 0;    // permission bits
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

// True when both describe the same file.
bool isSameFile(const FileStatus& first, const FileStatus& second);

// True when `now` is the same file as `before`, with the same size and modification time.
bool isUnchanged(const FileStatus& before, const FileStatus& now);

// A file as the replacement acts on it: the folder it is in, held open where the system
// allows it, and its name in that folder. Every step names the file through the folder,
// so that a folder swapped for another (or for a link) after it was checked is not
// followed.
class FileLocation
{
public:
    FileLocation() : m_folder(std::make_shared<NativeFile>()) {}
    FileLocation(NativeFile folder, std::string folderPath, std::string name)
        : m_folder(std::make_shared<NativeFile>(std::move(folder))),
          m_folderPath(std::move(folderPath)), m_name(std::move(name))
    {
    }

    NativeHandle folder() const { return m_folder->get(); }
    const std::string& folderPath() const { return m_folderPath; }
    const std::string& name() const { return m_name; }
    std::string path() const;
    // Another name in the same folder, which it holds open as long as either lives.
    FileLocation beside(std::string name) const
    {
        FileLocation other = *this;
        other.m_name = std::move(name);
        return other;
    }

private:
    std::shared_ptr<NativeFile> m_folder;
    std::string m_folderPath;
    std::string m_name;
};

} // namespace purgix::platform
