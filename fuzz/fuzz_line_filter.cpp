// Runs the one-scan filter over an in-memory file with a tiny buffer, short reads and
// writes, and now and then a failing read, rewind, write or cut-back, and compares it and
// the dropped lines it hands on with the model.
#include "fuzz_input.h"
#include "support/memory_filter.h"
#include "support/reference_model.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

using purgix::engine::FilterResult;
using purgix::fuzz::FuzzCase;
using Operation = purgix::test::MemoryFilter::Operation;

// Knob values from here on make one call of the file layer fail, so most inputs run clean.
constexpr std::uint8_t kFirstFaultKnob = 0xE0;
// What the sink for dropped lines holds before the run: the run appends to it.
constexpr std::string_view kEarlierDeleted = "earlier\r\n";

std::string countsText(const std::array<std::uint64_t, purgix::kTargetCount>& counts)
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
    case FilterResult::Failure::WriteDeleted:
        return "write of the deleted lines";
    }
    return "unknown";
}

FilterResult::Failure failureOf(Operation operation)
{
    switch (operation) {
    case Operation::Read:
    case Operation::Rewind:
        return FilterResult::Failure::Read;
    case Operation::Write:
    case Operation::CutBack:
        return FilterResult::Failure::Write;
    case Operation::WriteDeleted:
    case Operation::CutBackDeleted:
        return FilterResult::Failure::WriteDeleted;
    }
    return FilterResult::Failure::None;
}

// A failed read or rewind is a read failure; a failed write or cut-back a write failure of
// the output it was for.
void checkInjectedFailure(const FuzzCase& input, Operation failed, const FilterResult& result)
{
    const FilterResult::Failure expected = failureOf(failed);
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
    purgix::test::MemoryFilter filter(input.body);
    filter.limitTransfers(input.knobs[0] & 0x0f, input.knobs[0] >> 4);
    if (input.knobs[1] >= kFirstFaultKnob) {
        filter.failCall(input.knobs[1] - kFirstFaultKnob + 1, EIO);
    }
    filter.collectDeleted(std::string(kEarlierDeleted));

    const FilterResult result = filter.run(input.slots, input.bufferSize);

    if (const std::optional<Operation> failed = filter.failedOperation()) {
        checkInjectedFailure(input, *failed, result);
        return 0;
    }
    const purgix::test::FilterModel model = purgix::test::filterModel(input.body, input.slots);
    if (result.failure != FilterResult::Failure::None) {
        purgix::fuzz::reportMismatch("failure", input, "none", failureText(result.failure));
    }
    if (filter.output() != model.output) {
        purgix::fuzz::reportMismatch("output", input, model.output, filter.output());
    }
    const std::string deleted = std::string(kEarlierDeleted) + model.deleted;
    if (filter.deleted() != deleted) {
        purgix::fuzz::reportMismatch("deleted lines", input, deleted, filter.deleted());
    }
    if (result.sameAsSource != (model.output == input.body)) {
        purgix::fuzz::reportMismatch("output is the source", input,
                                     model.output == input.body ? "yes" : "no",
                                     result.sameAsSource ? "yes" : "no");
    }
    if (result.droppedPerSlot != model.droppedPerSlot) {
        purgix::fuzz::reportMismatch("dropped lines per slot", input,
                                     countsText(model.droppedPerSlot),
                                     countsText(result.droppedPerSlot));
    }
    return 0;
}
