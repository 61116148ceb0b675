#pragma once

#include "core/targets.h"
#include "engine/delete_run.h"
#include "platform/files/byte_stream.h"

namespace purgix::engine {

struct StreamFilterOptions
{
    bool noLimit = false; // as for DeleteRunOptions
    // Receives every deleted line, as DeleteRunOptions::deletedLines does.
    platform::ByteSink* deletedLines = nullptr;
};

// Filters standard input into standard output by the same rules and limit as a run on a
// file: `input` must be able to go back to its start, and `output` to cut back what it
// holds, since the line rule is known only at the end. Where a run would leave its file
// alone, the input goes out as it came. The outcome reports the count as a run does;
// without `output` it only counts, and says how many lines would be deleted.
[[nodiscard]] DeleteRunOutcome filterStream(platform::ByteSource& input, platform::ByteSink* output,
                                            const Targets& slots,
                                            const StreamFilterOptions& options = {});

} // namespace purgix::engine
