#include "line_writer.h"

#include "file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace purgix::engine {

LineWriter::LineWriter(platform::FileSystem& fileSystem, int fd, std::size_t capacity)
    : m_fileSystem(fileSystem), m_fd(fd), m_buffer(capacity)
{
}

void LineWriter::writeLines(const char* begin, const char* end)
{
    // Runs that already end their lines in CR LF go out unchanged; only a lone CR
    // splits the run to gain its LF.
    const char* run = begin;
    const char* cursor = begin;
    while (const void* found = std::memchr(cursor, '\r', static_cast<std::size_t>(end - cursor))) {
        const char* afterCr = static_cast<const char*>(found) + 1;
        if (afterCr < end && *afterCr == '\n') {
            cursor = afterCr + 1;
            continue;
        }
        append(run, static_cast<std::size_t>(afterCr - run));
        append("\n", 1);
        run = cursor = afterCr;
    }
    append(run, static_cast<std::size_t>(end - run));
}

void LineWriter::writeText(const char* begin, const char* end)
{
    append(begin, static_cast<std::size_t>(end - begin));
}

void LineWriter::endLine()
{
    append("\r\n", 2);
}

void LineWriter::append(const char* data, std::size_t size)
{
    // A large piece goes straight out rather than through the buffer.
    if (size >= m_buffer.size() / 2) {
        flush();
        writeOut(data, size);
        m_flushedOffset += static_cast<off_t>(size);
        return;
    }
    if (size > m_buffer.size() - m_used) {
        flush();
    }
    std::memcpy(m_buffer.data() + m_used, data, size);
    m_used += size;
}

void LineWriter::flush()
{
    writeOut(m_buffer.data(), m_used);
    m_flushedOffset += static_cast<off_t>(m_used);
    m_used = 0;
}

void LineWriter::writeOut(const char* data, std::size_t size)
{
    while (size > 0 && !failed()) {
        const ssize_t written = m_fileSystem.write(m_fd, data, size);
        if (written <= 0) {
            // A file that takes no bytes and names no reason counts as an I/O error.
            m_errorNumber = written < 0 ? errno : EIO;
            return;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void LineWriter::cutBack(off_t offset)
{
    if (offset >= m_flushedOffset) {
        m_used = static_cast<std::size_t>(offset - m_flushedOffset);
        return;
    }
    m_used = 0;
    if (failed()) {
        return;
    }
    if (m_fileSystem.truncate(m_fd, offset) != 0 || m_fileSystem.seek(m_fd, offset, SEEK_SET) < 0) {
        m_errorNumber = errno;
        return;
    }
    m_flushedOffset = offset;
}

} // namespace purgix::engine
