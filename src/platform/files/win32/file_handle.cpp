#include "file_handle.h"

#include "win32_file_system.h"

#include <utility>

namespace purgix::platform {

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_fileSystem(other.m_fileSystem),
      m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
{
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        reset();
        m_fileSystem = other.m_fileSystem;
        m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
    }
    return *this;
}

void FileHandle::reset()
{
    if (isOpen()) {
        const DWORD error = ::GetLastError();
        m_fileSystem->close(std::exchange(m_handle, INVALID_HANDLE_VALUE));
        ::SetLastError(error);
    }
}

} // namespace purgix::platform
