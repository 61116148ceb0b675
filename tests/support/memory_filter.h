#pragma once

#include "faulty_file_system.h"
#include "line_filter.h"
#include "memory_file_system.h"

#include <cstddef>
#include <string>

namespace purgix::test {

// The line filter over an input and an empty output file in memory, reached through a
// FaultyFileSystem so that a test can shorten or fail chosen calls before the run.
class MemoryFilter
{
public:
    explicit MemoryFilter(std::string input);
    MemoryFilter(const MemoryFilter&) = delete;
    MemoryFilter& operator=(const MemoryFilter&) = delete;

    MemoryFileSystem& memory() { return m_memory; }
    FaultyFileSystem& files() { return m_files; }
    engine::FilterResult run(const engine::TargetSlots& slots,
                             std::size_t bufferSize = engine::kDefaultBufferSize);
    const std::string& output() const { return m_memory.content(m_outputFd); }

private:
    MemoryFileSystem m_memory;
    FaultyFileSystem m_files{m_memory};
    int m_inputFd;
    int m_outputFd;
};

struct MemoryFilterRun
{
    std::string output;
    engine::FilterResult result;
};

// Filters `input` in memory, each read handing out at most `readChunk` bytes (0: no limit).
MemoryFilterRun filterInMemory(std::string input, const engine::TargetSlots& slots,
                               std::size_t bufferSize = engine::kDefaultBufferSize,
                               std::size_t readChunk = 0);

} // namespace purgix::test
