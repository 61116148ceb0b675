#pragma once

#include "engine/line_ends.h"
#include "platform/files/byte_stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace purgix::engine {

// Buffered output of lines, each ending as `LineEnds` says. The first failure
// sticks: later calls do nothing, and failed() and errorNumber() tell what went wrong.
class LineWriter
{
public:
    // Appends to what `sink` already holds.
    LineWriter(platform::ByteSink& sink, std::size_t capacity);

    void setLineEnds(LineEnds lineEnds) { m_lineEnds = lineEnds; }

    // Writes whole lines, each ended by its terminator; under CrLf a lone CR or a lone LF
    // becomes CR LF.
    void writeLines(const char* begin, const char* end);
    // Writes bytes that hold no terminator: the text of a line, or part of it.
    void writeText(const char* begin, const char* end);
    void endLine();

    // Discards everything from `offset` on, so that the next byte lands there.
    void cutBack(std::int64_t offset);
    void flush();

    std::int64_t offset() const { return m_flushedOffset + static_cast<std::int64_t>(m_used); }
    bool failed() const { return m_errorNumber != 0; }
    int errorNumber() const { return m_errorNumber; }

private:
    void append(const char* data, std::size_t size);
    void writeOut(const char* data, std::size_t size);

    platform::ByteSink& m_sink;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    std::int64_t m_flushedOffset;
    int m_errorNumber = 0;
    LineEnds m_lineEnds = LineEnds::CrLf;
};

} // namespace purgix::engine
