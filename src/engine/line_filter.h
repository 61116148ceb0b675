#pragma once

#include "core/targets.h"
#include "engine/line_ends.h"
#include "platform/files/byte_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace purgix::engine {

inline constexpr std::size_t kDefaultBufferSize = std::size_t{1} << 20;

struct FilterResult
{
    // Write covers the output of kept lines, WriteDeleted the sink of dropped lines.
    enum class Failure { None, Read, Write, WriteDeleted };

    // Dropped lines, each counted for the lowest slot whose text it contains.
    std::array<std::uint64_t, kTargetCount> droppedPerSlot{};
    Failure failure = Failure::None;
    int errorNumber = 0;                // errno of the failed read or write
    LineEnds lineEnds = LineEnds::CrLf; // how the file's lines turned out to end
    bool sameAsSource = false;          // the output is the source byte for byte
};

// Streams `source` to its end into `sink` (empty), leaving out every line that contains
// the text of a non-empty slot. The file's count of line ends chooses the rule (see
// LineEnds): under Lf every kept line goes out exactly as it was, under CrLf followed by
// CR LF. A last line without terminator is a line. Kept lines go out byte for byte apart
// from their terminator. Memory stays bounded by `bufferSize` (0 picks the default; it grows
// to twice the longest target when that is larger) whatever the file's or a line's length.
// With `deleted`, every dropped line is appended to it in file order, written as it would
// have been had it been kept.
FilterResult filterLines(platform::ByteSource& source, platform::ByteSink& sink,
                         const Targets& slots, std::size_t bufferSize = kDefaultBufferSize,
                         platform::ByteSink* deleted = nullptr);

// Filters lines that were appended to a file already filtered, whose lines end as
// `lineEnds` says, onto the end of `sink`, and the dropped ones onto the end of `deleted`.
FilterResult filterAppendedLines(platform::ByteSource& source, platform::ByteSink& sink,
                                 const Targets& slots, LineEnds lineEnds,
                                 platform::ByteSink* deleted = nullptr);

} // namespace purgix::engine
