#pragma once

namespace purgix::engine {

// Searches for line ends under the CrLf rule, where CR, LF and CR LF all end lines. They
// look at 16 or 64 bytes a step: lines in such files are short, and a byte loop would
// stop at every one of them.

// The first CR or LF in [begin, end), or null.
const char* findLineEnd(const char* begin, const char* end);

// The last CR or LF in [begin, end), or null.
const char* findLastLineEnd(const char* begin, const char* end);

// The first line end in [begin, end) that is not a CR LF pair: a CR no LF follows (a CR
// at end - 1 counts, as what follows it is not known here) or an LF no CR precedes (an LF
// at `begin` counts: [begin, end) starts a line). Null when every line end is a pair.
const char* findLoneLineEnd(const char* begin, const char* end);

} // namespace purgix::engine
