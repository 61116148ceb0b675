#include "engine/detail/line_writer.h"

#include "engine/detail/line_end_search.h"

#include <cerrno>
#include <cstring>

namespace purgix::engine {

LineWriter::LineWriter(platform::ByteSink& sink, std::size_t capacity)
    : m_sink(sink), m_buffer(capacity), m_flushedOffset(sink.length())
{
}

void LineWriter::writeLines(const char* begin, const char* end)
{
    if (m_lineEnds == LineEnds::Lf) {
        append(begin, static_cast<std::size_t>(end - begin));
        return;
    }
    // Runs that already end their lines in CR LF go out unchanged; only a lone CR or a
    // lone LF splits the run to become CR LF.
    const char* run = begin;
    while (const char* lone = findLoneLineEnd(run, end)) {
        if (*lone == '\r') {
            append(run, static_cast<std::size_t>(lone + 1 - run));
            append("\n", 1);
        } else {
            append(run, static_cast<std::size_t>(lone - run));
            append("\r\n", 2);
        }
        run = lone + 1;
    }
    append(run, static_cast<std::size_t>(end - run));
}

void LineWriter::writeText(const char* begin, const char* end)
{
    append(begin, static_cast<std::size_t>(end - begin));
}

void LineWriter::endLine()
{
    if (m_lineEnds == LineEnds::Lf) {
        append("\n", 1);
    } else {
        append("\r\n", 2);
    }
}

void LineWriter::append(const char* data, std::size_t size)
{
    // A large piece goes straight out rather than through the buffer.
    if (size >= m_buffer.size() / 2) {
        flush();
        writeOut(data, size);
        m_flushedOffset += static_cast<std::int64_t>(size);
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
    m_flushedOffset += static_cast<std::int64_t>(m_used);
    m_used = 0;
}

void LineWriter::writeOut(const char* data, std::size_t size)
{
    while (size > 0 && !failed()) {
        const std::ptrdiff_t written = m_sink.write(data, size);
        if (written < 0) {
            m_errorNumber = errno;
            return;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void LineWriter::cutBack(std::int64_t offset)
{
    if (offset >= m_flushedOffset) {
        m_used = static_cast<std::size_t>(offset - m_flushedOffset);
        return;
    }
    m_used = 0;
    if (failed()) {
        return;
    }
    if (!m_sink.cutBack(offset)) {
        m_errorNumber = errno;
        return;
    }
    m_flushedOffset = offset;
}

} // namespace purgix::engine
