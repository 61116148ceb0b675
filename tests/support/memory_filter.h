#pragma once

#include "engine/line_filter.h"
#include "platform/files/byte_stream.h"

#include <array>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>

namespace purgix::test {

// The line filter over an input and an output held in memory, and optionally a second
// output for the dropped lines. Before the run a test can shorten the transfers, make one
// call fail, or cap the output as a full disk would.
class MemoryFilter
{
public:
    // WriteDeleted and CutBackDeleted are the calls on the output of dropped lines.
    enum class Operation { Read, Rewind, Write, CutBack, WriteDeleted, CutBackDeleted };

    explicit MemoryFilter(std::string input);

    // At most so many bytes per read and per write call; 0 means no limit.
    void limitTransfers(std::size_t maxRead, std::size_t maxWrite);
    // Makes the n-th call (1-based) fail with `errorNumber`, counting every call, or only
    // calls of `operation` when given.
    void failCall(int n, int errorNumber, std::optional<Operation> operation = std::nullopt);
    // A write that would make the output longer than `size` bytes fails with ENOSPC.
    void limitOutputSize(std::size_t size) { m_output.limit = size; }
    // Hands the run a sink for the dropped lines that holds `before` to begin with.
    void collectDeleted(std::string before);

    engine::FilterResult run(const Targets& slots,
                             std::size_t bufferSize = engine::kDefaultBufferSize);
    // Filters the input as lines appended to a file whose lines end as `lineEnds` says.
    engine::FilterResult runAppended(const Targets& slots, engine::LineEnds lineEnds);
    const std::string& output() const { return m_output.bytes; }
    // What the sink for dropped lines holds; empty without one.
    const std::string& deleted() const { return m_deleted.bytes; }
    int callCount(Operation operation) const { return m_counts[static_cast<int>(operation)]; }
    // The operation the injected failure hit, once it has.
    std::optional<Operation> failedOperation() const { return m_failed; }

private:
    class Source;
    class Sink;

    // An output held in memory, with the operations its calls count as.
    struct Output
    {
        Output(Operation writeCall, Operation cutBackCall) : write(writeCall), cutBack(cutBackCall)
        {
        }

        Operation write;
        Operation cutBack;
        std::string bytes;
        std::size_t offset = 0;
        std::size_t limit = std::numeric_limits<std::size_t>::max();
    };

    // Counts the call and tells whether it is the one to fail, with errno set if so.
    bool injectFailure(Operation operation);
    static std::size_t limited(std::size_t size, std::size_t limit);

    std::string m_input;
    std::size_t m_inputOffset = 0;
    Output m_output{Operation::Write, Operation::CutBack};
    Output m_deleted{Operation::WriteDeleted, Operation::CutBackDeleted};
    bool m_collectsDeleted = false;
    std::size_t m_readLimit = 0;
    std::size_t m_writeLimit = 0;
    std::array<int, 6> m_counts{};
    int m_calls = 0;
    int m_failingCall = 0;
    int m_errorNumber = 0;
    std::optional<Operation> m_failingOperation;
    std::optional<Operation> m_failed;
};

struct MemoryFilterRun
{
    std::string output;
    engine::FilterResult result;
};

// Filters `input` in memory, each read handing out at most `readChunk` bytes (0: no limit).
MemoryFilterRun filterInMemory(std::string input, const Targets& slots,
                               std::size_t bufferSize = engine::kDefaultBufferSize,
                               std::size_t readChunk = 0);

} // namespace purgix::test
