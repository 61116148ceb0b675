#include "engine/detail/limited_filter.h"

#include <cerrno>

namespace purgix::engine {

platform::FileError deletedLinesError(int errorNumber)
{
    return platform::FileError::cannot("write the deleted lines to", "standard output",
                                       errorNumber);
}

std::optional<platform::FileError> failureOf(const FilterResult& result,
                                             const FilterStreams& streams)
{
    switch (result.failure) {
    case FilterResult::Failure::None:
        return std::nullopt;
    case FilterResult::Failure::Read:
        return streams.readError(result.errorNumber);
    case FilterResult::Failure::Write:
        return streams.writeError(result.errorNumber);
    case FilterResult::Failure::WriteDeleted:
        return streams.deletedError(result.errorNumber);
    }
    return std::nullopt;
}

LimitedFilterResult filterWithinLimit(FilterStreams& streams, const Targets& slots, bool noLimit,
                                      std::size_t bufferSize)
{
    const std::int64_t contentStart = streams.content.length();
    const std::int64_t deletedStart = streams.deleted ? streams.deleted->length() : 0;
    LimitedFilterResult result;
    result.applied = slots;
    result.counts =
        filterLines(streams.source, streams.content, slots, bufferSize, streams.deleted);
    result.failure = failureOf(result.counts, streams);
    if (result.failure || streams.source.stopped() || noLimit) {
        return result;
    }
    const std::optional<int> overflowSlot = findOverflowSlot(result.counts.droppedPerSlot, slots);
    if (!overflowSlot) {
        return result;
    }
    result.overflow = true;
    result.applied = slotsBefore(slots, *overflowSlot);
    if (allSlotsEmpty(result.applied)) {
        // No slot applies, so no line is deleted; the caller leaves the content alone.
        if (streams.deleted != nullptr && !streams.deleted->cutBack(deletedStart)) {
            result.failure = streams.deletedError(errno);
        }
        return result;
    }
    if (!streams.source.rewind()) {
        result.failure = streams.readError(errno);
    } else if (!streams.content.cutBack(contentStart)) {
        result.failure = streams.writeError(errno);
    } else if (streams.deleted != nullptr && !streams.deleted->cutBack(deletedStart)) {
        result.failure = streams.deletedError(errno);
    } else {
        result.counts = filterLines(streams.source, streams.content, result.applied, bufferSize,
                                    streams.deleted);
        result.failure = failureOf(result.counts, streams);
    }
    return result;
}

} // namespace purgix::engine
