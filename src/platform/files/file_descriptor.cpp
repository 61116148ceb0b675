#include "file_descriptor.h"

#include "file_system.h"

#include <cerrno>
#include <utility>

namespace purgix::platform {

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_fileSystem(other.m_fileSystem), m_fd(std::exchange(other.m_fd, -1))
{
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        reset();
        m_fileSystem = other.m_fileSystem;
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void FileDescriptor::reset()
{
    if (m_fd < 0) {
        return;
    }
    const int savedErrno = errno;
    m_fileSystem->close(m_fd);
    m_fd = -1;
    errno = savedErrno;
}

} // namespace purgix::platform
