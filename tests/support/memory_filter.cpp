#include "memory_filter.h"

#include <utility>

namespace purgix::test {

MemoryFilter::MemoryFilter(std::string input)
    : m_inputFd(m_memory.addFile(std::move(input))), m_outputFd(m_memory.addFile({}))
{
}

engine::FilterResult MemoryFilter::run(const engine::TargetSlots& slots, std::size_t bufferSize)
{
    return engine::filterLines(m_files, m_inputFd, m_outputFd, slots, bufferSize);
}

MemoryFilterRun filterInMemory(std::string input, const engine::TargetSlots& slots,
                               std::size_t bufferSize, std::size_t readChunk)
{
    MemoryFilter filter(std::move(input));
    filter.files().limitTransfers(readChunk, 0);
    const engine::FilterResult result = filter.run(slots, bufferSize);
    return {filter.output(), result};
}

} // namespace purgix::test
