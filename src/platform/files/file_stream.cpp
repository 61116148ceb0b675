#include "file_stream.h"

#include "native_files.h"

#include <algorithm>
#include <cerrno>

namespace purgix::platform {

std::ptrdiff_t FileSource::read(char* buffer, std::size_t size)
{
    if (m_end) {
        const std::int64_t left = std::max<std::int64_t>(*m_end - m_offset, 0);
        size = std::min(size, static_cast<std::size_t>(left));
        if (size == 0) {
            return 0;
        }
    }
    const std::ptrdiff_t count = readSome(m_fileSystem, m_file, buffer, size);
    if (count > 0) {
        m_offset += count;
    }
    return count;
}

bool FileSource::rewindTo(std::int64_t offset)
{
    if (!seekTo(m_fileSystem, m_file, offset)) {
        return false;
    }
    m_offset = offset;
    return true;
}

std::ptrdiff_t FileSink::write(const char* data, std::size_t size)
{
    const std::ptrdiff_t count = writeSome(m_fileSystem, m_file, data, size);
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
    if (!cutAt(m_fileSystem, m_file, length) || !seekTo(m_fileSystem, m_file, length)) {
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
