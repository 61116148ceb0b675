#include "line_writer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cerrno>
#include <cstring>

namespace purgix::engine {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The first CR in [begin, end) that no LF follows; a CR at end - 1 counts, since what
// follows it is not known here. Files mostly end their lines in CR LF, so this looks at
// 16 bytes a step rather than stopping at every CR.
const char* findLoneCr(const char* begin, const char* end)
{
    const char* cursor = begin;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8(kCr);
    const __m128i lf = _mm_set1_epi8(kLf);
    for (; end - cursor > 16; cursor += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cursor));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cursor + 1));
        const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, cr)));
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(next, lf)));
        if (const unsigned lone = crs & ~lfs; lone != 0) {
            return cursor + std::countr_zero(lone);
        }
    }
#endif
    while (const void* found = std::memchr(cursor, kCr, static_cast<std::size_t>(end - cursor))) {
        const char* at = static_cast<const char*>(found);
        if (at + 1 == end || at[1] != kLf) {
            return at;
        }
        cursor = at + 2;
    }
    return nullptr;
}

} // namespace

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
    // Runs that already end their lines in CR LF go out unchanged; only a lone CR
    // splits the run to gain its LF.
    const char* run = begin;
    while (const char* cr = findLoneCr(run, end)) {
        append(run, static_cast<std::size_t>(cr + 1 - run));
        append("\n", 1);
        run = cr + 1;
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
