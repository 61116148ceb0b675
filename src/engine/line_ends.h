#pragma once

#include <cstdint>

namespace purgix::engine {

// How a file's lines end, decided over the whole file by counting its line ends.
// Lf: lone LFs outnumber CR LF pairs and lone CRs together. Every LF ends a line, a CR is
// an ordinary byte, and kept lines go back exactly as they were, each with its own LF.
// CrLf: every other file. A line ends at CR LF, at a lone CR or at a lone LF, and kept
// lines are written followed by CR LF. A file without any line end is one line under CrLf.
enum class LineEnds { CrLf, Lf };

// Counts the line ends of a file handed over in consecutive pieces; a CR at the end of
// one piece and an LF at the start of the next are one CR LF pair.
class LineEndCounter
{
public:
    void add(const char* begin, const char* end);

    bool sawLineEnd() const { return m_crs + m_lfs != 0; }
    // The rule for the bytes counted so far.
    LineEnds lineEnds() const;

private:
    std::uint64_t m_crs = 0;
    std::uint64_t m_lfs = 0;
    std::uint64_t m_pairs = 0;
    bool m_lastWasCr = false;
};

// The rule for a whole text held in memory.
LineEnds lineEndsOf(const char* begin, const char* end);

} // namespace purgix::engine
