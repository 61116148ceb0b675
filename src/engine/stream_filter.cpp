#include "engine/stream_filter.h"

#include "engine/detail/limited_filter.h"
#include "engine/run_messages.h"

#include <array>
#include <cerrno>
#include <new>
#include <optional>

namespace purgix::engine {

namespace {

using platform::FileError;

FileError inputError(int errorNumber)
{
    return FileError::cannot("read", "standard input", errorNumber);
}

FileError outputError(int errorNumber)
{
    return FileError::cannot("write", "standard output", errorNumber);
}

// Sends the input out again from its start, byte for byte.
std::optional<FileError> passThrough(platform::ByteSource& input, platform::ByteSink& output,
                                     std::int64_t outputStart)
{
    if (!input.rewind()) {
        return inputError(errno);
    }
    if (!output.cutBack(outputStart)) {
        return outputError(errno);
    }
    std::array<char, 1 << 16> block{};
    for (;;) {
        const std::ptrdiff_t count = input.read(block.data(), block.size());
        if (count < 0) {
            return inputError(errno);
        }
        if (count == 0) {
            return std::nullopt;
        }
        const std::string_view bytes(block.data(), static_cast<std::size_t>(count));
        if (const int error = platform::writeAll(output, bytes); error != 0) {
            return outputError(error);
        }
    }
}

DeleteRunOutcome filterWithin(platform::ByteSource& input, platform::ByteSink* output,
                              const Targets& slots, const StreamFilterOptions& options)
{
    DiscardingSink discarded;
    platform::ByteSink& kept = output != nullptr ? *output : discarded;
    const std::int64_t outputStart = kept.length();
    WatchedSource source(input, nullptr);
    FilterStreams streams{source,     kept,        options.deletedLines,
                          inputError, outputError, deletedLinesError};
    if (allSlotsEmpty(slots)) {
        std::optional<FileError> failure = passThrough(input, kept, outputStart);
        if (failure) {
            return failedOutcome(*failure);
        }
        return output != nullptr ? deletedOutcome(0) : wouldDeleteOutcome(0);
    }
    const LimitedFilterResult pass = filterWithinLimit(streams, slots, options.noLimit, 0);
    if (pass.failure) {
        return failedOutcome(*pass.failure);
    }
    if (pass.overflow && allSlotsEmpty(pass.applied)) {
        // A run would leave its file as it is.
        std::optional<FileError> failure = passThrough(input, kept, outputStart);
        return failedOutcome(failure ? failure->message() : std::string(kOverflowMessage));
    }
    if (pass.overflow) {
        return failedOutcome(std::string(kOverflowMessage));
    }
    const std::uint64_t deleted = droppedLines(pass.counts.droppedPerSlot, pass.applied);
    return output != nullptr ? deletedOutcome(deleted) : wouldDeleteOutcome(deleted);
}

} // namespace

DeleteRunOutcome filterStream(platform::ByteSource& input, platform::ByteSink* output,
                              const Targets& slots, const StreamFilterOptions& options)
{
    try {
        return filterWithin(input, output, slots, options);
    } catch (const std::bad_alloc&) {
        return failedOutcome(
            FileError::cannot("filter", "standard input", std::string("not enough memory")));
    }
}

} // namespace purgix::engine
