#include "handle_stream.h"

#include "win32_file_system.h"

#include <algorithm>
#include <cerrno>

namespace purgix::platform {

namespace {

// ReadFile and WriteFile take 32-bit sizes.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

DWORD transferSize(std::size_t size)
{
    return static_cast<DWORD>(std::min(size, kMaxTransfer));
}

} // namespace

void setErrnoFromLastError()
{
    errno = static_cast<int>(::GetLastError());
}

std::ptrdiff_t HandleSource::read(char* buffer, std::size_t size)
{
    DWORD count = 0;
    if (!m_fileSystem.read(m_file, buffer, transferSize(size), count)) {
        setErrnoFromLastError();
        return -1;
    }
    m_offset += count;
    return static_cast<std::ptrdiff_t>(count);
}

bool HandleSource::rewindTo(std::int64_t offset)
{
    if (!m_fileSystem.seek(m_file, offset)) {
        setErrnoFromLastError();
        return false;
    }
    m_offset = offset;
    return true;
}

std::ptrdiff_t HandleSink::write(const char* data, std::size_t size)
{
    DWORD count = 0;
    if (!m_fileSystem.write(m_file, data, transferSize(size), count)) {
        setErrnoFromLastError();
        return -1;
    }
    if (count == 0 && size > 0) {
        // A file that takes no bytes and names no reason counts as a full disk.
        errno = ERROR_DISK_FULL;
        return -1;
    }
    m_length += count;
    return static_cast<std::ptrdiff_t>(count);
}

bool HandleSink::cutBack(std::int64_t length)
{
    if (!m_fileSystem.seek(m_file, length) || !m_fileSystem.setEnd(m_file)) {
        setErrnoFromLastError();
        return false;
    }
    m_length = length;
    return true;
}

} // namespace purgix::platform
