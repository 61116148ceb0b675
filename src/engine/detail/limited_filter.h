#pragma once

#include "core/targets.h"
#include "engine/detail/overflow_limit.h"
#include "engine/detail/watched_source.h"
#include "engine/line_filter.h"
#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"

#include <cstddef>
#include <functional>
#include <optional>

namespace purgix::engine {

// Where a filter pass reads and writes, and how their failures are put into words.
struct FilterStreams
{
    WatchedSource& source;
    platform::ByteSink& content;
    platform::ByteSink* deleted; // receives the deleted lines; none when null
    std::function<platform::FileError(int)> readError;
    std::function<platform::FileError(int)> writeError;
    std::function<platform::FileError(int)> deletedError;
};

struct LimitedFilterResult
{
    FilterResult counts;   // of the pass whose output stands
    Targets applied;       // the slots that pass applied
    bool overflow = false; // a slot was left out because the count passed the limit
    std::optional<platform::FileError> failure;
};

// A failure to write the deleted lines, which go to standard output.
platform::FileError deletedLinesError(int errorNumber);

// The failure of a pass, put into words; none when it succeeded.
std::optional<platform::FileError> failureOf(const FilterResult& result,
                                             const FilterStreams& streams);

// One scan for all slots. When the count of deleted lines would pass kMaxLineCount (and
// `noLimit` is false), the slots before the overflowing one stay applied, as if each had
// had a pass of its own: the source is filtered again with those, and the output of the
// first scan is cut back. When no slot is left, the deleted lines are cut back and the
// content is the caller's to discard.
LimitedFilterResult filterWithinLimit(FilterStreams& streams, const Targets& slots, bool noLimit,
                                      std::size_t bufferSize);

// A ByteSink that keeps nothing: a count of what was written, for a run that only counts.
class DiscardingSink final : public platform::ByteSink
{
public:
    std::ptrdiff_t write(const char*, std::size_t size) override
    {
        m_length += static_cast<std::int64_t>(size);
        return static_cast<std::ptrdiff_t>(size);
    }
    bool cutBack(std::int64_t length) override
    {
        m_length = length;
        return true;
    }
    std::int64_t length() const override { return m_length; }

private:
    std::int64_t m_length = 0;
};

} // namespace purgix::engine
