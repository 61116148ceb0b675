// Runs the one-scan filter over an in-memory file with a tiny buffer, short reads and
// writes, and now and then a failing read or write, and compares it with the model.
#include "fuzz_input.h"
#include "line_filter.h"
#include "memory_file_system.h"
#include "reference_model.h"

#include <cerrno>
#include <cstdint>
#include <string>

namespace {

using purgix::engine::FilterResult;
using purgix::fuzz::FuzzCase;

// Knob values from here on make one read or write fail, so most inputs run clean.
constexpr std::uint8_t kFirstFaultKnob = 0xE0;

std::string countsText(const std::array<std::uint64_t, purgix::engine::kSlotCount>& counts)
{
    std::string text;
    for (const std::uint64_t count : counts) {
        text += std::to_string(count) + ' ';
    }
    return text;
}

std::string failureText(FilterResult::Failure failure)
{
    switch (failure) {
    case FilterResult::Failure::None:
        return "none";
    case FilterResult::Failure::Read:
        return "read";
    case FilterResult::Failure::Write:
        return "write";
    }
    return "unknown";
}

void checkInjectedFailure(const FuzzCase& input, const purgix::fuzz::MemoryFileSystem& files,
                          const FilterResult& result)
{
    const FilterResult::Failure expected =
        files.failedTransfer() == purgix::fuzz::MemoryFileSystem::Transfer::Read
            ? FilterResult::Failure::Read
            : FilterResult::Failure::Write;
    if (result.failure != expected || result.errorNumber != EIO) {
        purgix::fuzz::reportMismatch(
            "failure of an injected fault", input, failureText(expected) + " EIO",
            failureText(result.failure) + " errno " + std::to_string(result.errorNumber));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzCase input = purgix::fuzz::parseFuzzCase(data, size);
    purgix::fuzz::MemoryFileSystem files;
    const int source = files.addFile(input.body);
    const int destination = files.addFile({});
    files.limitTransfers(input.knobs[0] & 0x0f, input.knobs[0] >> 4);
    if (input.knobs[1] >= kFirstFaultKnob) {
        files.failTransfer(input.knobs[1] - kFirstFaultKnob + 1, EIO);
    }

    const FilterResult result =
        purgix::engine::filterLines(files, source, destination, input.slots, input.bufferSize);

    if (files.failedTransfer() != purgix::fuzz::MemoryFileSystem::Transfer::None) {
        checkInjectedFailure(input, files, result);
        return 0;
    }
    const purgix::fuzz::FilterModel model = purgix::fuzz::filterModel(input.body, input.slots);
    if (result.failure != FilterResult::Failure::None) {
        purgix::fuzz::reportMismatch("failure", input, "none", failureText(result.failure));
    }
    if (files.content(destination) != model.output) {
        purgix::fuzz::reportMismatch("output", input, model.output, files.content(destination));
    }
    if (result.droppedPerSlot != model.droppedPerSlot) {
        purgix::fuzz::reportMismatch("dropped lines per slot", input,
                                     countsText(model.droppedPerSlot),
                                     countsText(result.droppedPerSlot));
    }
    return 0;
}
