#include "support/memory_filter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace purgix::test {

class MemoryFilter::Source final : public platform::ByteSource
{
public:
    explicit Source(MemoryFilter& owner) : m_owner(owner) {}

    std::ptrdiff_t read(char* buffer, std::size_t size) override
    {
        if (m_owner.injectFailure(Operation::Read)) {
            return -1;
        }
        const std::string& input = m_owner.m_input;
        std::size_t& offset = m_owner.m_inputOffset;
        const std::size_t count =
            limited(std::min(size, input.size() - offset), m_owner.m_readLimit);
        std::memcpy(buffer, input.data() + offset, count);
        offset += count;
        return static_cast<std::ptrdiff_t>(count);
    }

    std::int64_t offset() const override
    {
        return static_cast<std::int64_t>(m_owner.m_inputOffset);
    }

    bool rewindTo(std::int64_t offset) override
    {
        if (m_owner.injectFailure(Operation::Rewind)) {
            return false;
        }
        m_owner.m_inputOffset = static_cast<std::size_t>(offset);
        return true;
    }

private:
    MemoryFilter& m_owner;
};

class MemoryFilter::Sink final : public platform::ByteSink
{
public:
    Sink(MemoryFilter& owner, Output& output) : m_owner(owner), m_output(output) {}

    std::ptrdiff_t write(const char* data, std::size_t size) override
    {
        if (m_owner.injectFailure(m_output.write)) {
            return -1;
        }
        const std::size_t count = limited(size, m_owner.m_writeLimit);
        if (m_output.offset + count > m_output.limit) {
            errno = ENOSPC;
            return -1;
        }
        m_output.bytes.resize(std::max(m_output.bytes.size(), m_output.offset + count));
        std::memcpy(m_output.bytes.data() + m_output.offset, data, count);
        m_output.offset += count;
        return static_cast<std::ptrdiff_t>(count);
    }

    bool cutBack(std::int64_t length) override
    {
        if (m_owner.injectFailure(m_output.cutBack)) {
            return false;
        }
        m_output.bytes.resize(static_cast<std::size_t>(length));
        m_output.offset = static_cast<std::size_t>(length);
        return true;
    }

    std::int64_t length() const override
    {
        return static_cast<std::int64_t>(m_output.bytes.size());
    }

private:
    MemoryFilter& m_owner;
    Output& m_output;
};

MemoryFilter::MemoryFilter(std::string input) : m_input(std::move(input)) {}

void MemoryFilter::limitTransfers(std::size_t maxRead, std::size_t maxWrite)
{
    m_readLimit = maxRead;
    m_writeLimit = maxWrite;
}

void MemoryFilter::failCall(int n, int errorNumber, std::optional<Operation> operation)
{
    m_failingCall = n;
    m_errorNumber = errorNumber;
    m_failingOperation = operation;
}

void MemoryFilter::collectDeleted(std::string before)
{
    m_collectsDeleted = true;
    m_deleted.offset = before.size();
    m_deleted.bytes = std::move(before);
}

engine::FilterResult MemoryFilter::run(const Targets& slots, std::size_t bufferSize)
{
    Source source(*this);
    Sink sink(*this, m_output);
    Sink deleted(*this, m_deleted);
    return engine::filterLines(source, sink, slots, bufferSize,
                               m_collectsDeleted ? &deleted : nullptr);
}

engine::FilterResult MemoryFilter::runAppended(const Targets& slots, engine::LineEnds lineEnds)
{
    Source source(*this);
    Sink sink(*this, m_output);
    Sink deleted(*this, m_deleted);
    return engine::filterAppendedLines(source, sink, slots, lineEnds,
                                       m_collectsDeleted ? &deleted : nullptr);
}

bool MemoryFilter::injectFailure(Operation operation)
{
    const int number = ++m_counts[static_cast<int>(operation)];
    ++m_calls;
    const int counted =
        m_failingOperation ? (*m_failingOperation == operation ? number : 0) : m_calls;
    if (m_failed || m_failingCall == 0 || counted != m_failingCall) {
        return false;
    }
    m_failed = operation;
    errno = m_errorNumber;
    return true;
}

std::size_t MemoryFilter::limited(std::size_t size, std::size_t limit)
{
    // A transfer of nothing would look like the end of the input or a stuck disk.
    return limit == 0 || size == 0 ? size : std::min(size, limit);
}

MemoryFilterRun filterInMemory(std::string input, const Targets& slots, std::size_t bufferSize,
                               std::size_t readChunk)
{
    MemoryFilter filter(std::move(input));
    filter.limitTransfers(readChunk, 0);
    const engine::FilterResult result = filter.run(slots, bufferSize);
    return {filter.output(), result};
}

} // namespace purgix::test
