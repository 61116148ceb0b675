#pragma once

#include <cstdint>

namespace purgix::engine {

// Scans over line ends, 64 bytes a step, with the widest vector instructions the processor
// has: CR LF files have a line end every few dozen bytes, so stopping at each would be slow.

struct LineEndTally
{
    std::uint64_t crs = 0;
    std::uint64_t lfs = 0;
    std::uint64_t pairs = 0; // CR LF
};

// Each step looks at 64 bytes and the byte after them, so steps go on while more than 64
// bytes are left before `end`; the caller looks at the rest.

// Counts the CRs, LFs and CR LF pairs in steps from `begin`; returns where the steps stopped.
const char* tallyLineEnds(const char* begin, const char* end, LineEndTally& tally);

// Looks for a lone CR or lone LF in steps from `begin`; `crBefore` says whether the byte
// before `begin` is a CR. Returns the lone line end, or null with `resume` set to where the
// steps stopped.
const char* findLoneLineEndInSteps(const char* begin, const char* end, bool crBefore,
                                   const char*& resume);

} // namespace purgix::engine
