#pragma once

namespace purgix::platform {

class FileSystem;

// Owns an open descriptor and closes it through its FileSystem when it goes out of
// scope, so that no failure path can leak one.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    FileDescriptor(FileSystem& fileSystem, int fd) : m_fileSystem(&fileSystem), m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Closes the descriptor now; errno is left as it was, so a caller may close on
    // its way out of a failure and still report the failure's own reason.
    void reset();

private:
    FileSystem* m_fileSystem = nullptr;
    int m_fd = -1;
};

} // namespace purgix::platform
