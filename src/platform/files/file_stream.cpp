#include "file_stream.h"

#include "file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace purgix::platform {

std::ptrdiff_t FileSource::read(char* buffer, std::size_t size)
{
    if (m_end) {
        size =
            std::min(size, static_cast<std::size_t>(std::max<std::int64_t>(*m_end - m_offset, 0)));
        if (size == 0) {
            return 0;
        }
    }
    const ssize_t count = m_fileSystem.read(m_fd, buffer, size);
    if (count > 0) {
        m_offset += count;
    }
    return count;
}

bool FileSource::rewindTo(std::int64_t offset)
{
    if (m_fileSystem.seek(m_fd, offset, SEEK_SET) != offset) {
        return false;
    }
    m_offset = offset;
    return true;
}

std::ptrdiff_t FileSink::write(const char* data, std::size_t size)
{
    const ssize_t count = m_fileSystem.write(m_fd, data, size);
    if (count == 0 && size > 0) {
        // A file that takes no bytes and names no reason counts as an I/O error.
        errno = EIO;
        return -1;
    }
    if (count > 0) {
        m_length += count;
    }
    return count;
}

bool FileSink::cutBack(std::int64_t length)
{
    if (m_fileSystem.truncate(m_fd, length) != 0 || m_fileSystem.seek(m_fd, length, SEEK_SET) < 0) {
        return false;
    }
    m_length = length;
    return true;
}

std::ptrdiff_t StringSink::write(const char* data, std::size_t size)
{
    m_bytes.append(data, size);
    return static_cast<std::ptrdiff_t>(size);
}

bool StringSink::cutBack(std::int64_t length)
{
    m_bytes.resize(static_cast<std::size_t>(length));
    return true;
}

} // namespace purgix::platform
