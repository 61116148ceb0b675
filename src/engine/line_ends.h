#pragma once

namespace purgix::engine {

// How a file's lines end. A file that holds a CR anywhere ends its lines at CR or CR LF
// (a lone LF stays inside its line) and is written back with CR LF; a file whose lines
// end in LF alone, with no CR at all, is written back with LF.
enum class LineEnds { CrOrCrLf, Lf };

} // namespace purgix::engine
