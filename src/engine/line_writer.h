#pragma once

#include <cstddef>
#include <sys/types.h>
#include <vector>

namespace purgix::platform {
class FileSystem;
}

namespace purgix::engine {

// How a file's lines end. A file that holds a CR anywhere ends its lines at CR or CR LF
// (a lone LF stays inside its line) and is written back with CR LF; a file whose lines
// end in LF alone, with no CR at all, is written back with LF.
enum class LineEnds { CrOrCrLf, Lf };

// Buffered output of kept lines, each ending as `LineEnds` says. The first failure
// sticks: later calls do nothing, and failed() and errorNumber() tell what went wrong.
class LineWriter
{
public:
    LineWriter(platform::FileSystem& fileSystem, int fd, std::size_t capacity);

    void setLineEnds(LineEnds lineEnds) { m_lineEnds = lineEnds; }

    // Writes whole lines, each ended by its terminator; under CrOrCrLf a lone CR becomes
    // CR LF.
    void writeLines(const char* begin, const char* end);
    // Writes bytes that hold no terminator: the text of a line, or part of it.
    void writeText(const char* begin, const char* end);
    void endLine();

    // Discards everything from `offset` on, so that the next byte lands there.
    void cutBack(off_t offset);
    void flush();

    off_t offset() const { return m_flushedOffset + static_cast<off_t>(m_used); }
    bool failed() const { return m_errorNumber != 0; }
    int errorNumber() const { return m_errorNumber; }

private:
    void append(const char* data, std::size_t size);
    void writeOut(const char* data, std::size_t size);

    platform::FileSystem& m_fileSystem;
    int m_fd;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    off_t m_flushedOffset = 0;
    int m_errorNumber = 0;
    LineEnds m_lineEnds = LineEnds::CrOrCrLf;
};

} // namespace purgix::engine
