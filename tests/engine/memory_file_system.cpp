#include "memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace purgix::test {

MemoryFileSystem::MemoryFileSystem(std::string input, std::size_t readChunk)
    : m_input(std::move(input)), m_readChunk(readChunk)
{
}

int MemoryFileSystem::unsupported()
{
    errno = ENOSYS;
    return -1;
}

ssize_t MemoryFileSystem::read(int fd, void* buffer, std::size_t size)
{
    if (fd != kInputFd) {
        return unsupported();
    }
    if (++m_readCount == m_failingRead) {
        errno = EIO;
        return -1;
    }
    const std::size_t count = std::min({size, m_readChunk, m_input.size() - m_readOffset});
    std::memcpy(buffer, m_input.data() + m_readOffset, count);
    m_readOffset += count;
    return static_cast<ssize_t>(count);
}

ssize_t MemoryFileSystem::write(int fd, const void* data, std::size_t size)
{
    if (fd != kOutputFd) {
        return unsupported();
    }
    if (m_writeOffset + size > m_outputLimit) {
        errno = ENOSPC;
        return -1;
    }
    if (m_output.size() < m_writeOffset + size) {
        m_output.resize(m_writeOffset + size);
    }
    m_output.replace(m_writeOffset, size, static_cast<const char*>(data), size);
    m_writeOffset += size;
    return static_cast<ssize_t>(size);
}

int MemoryFileSystem::truncate(int fd, off_t length)
{
    if (fd != kOutputFd) {
        return unsupported();
    }
    ++m_truncateCount;
    if (m_failTruncate) {
        errno = EROFS;
        return -1;
    }
    m_output.resize(static_cast<std::size_t>(length));
    return 0;
}

off_t MemoryFileSystem::seek(int fd, off_t offset, int whence)
{
    if (fd != kOutputFd || whence != SEEK_SET) {
        return unsupported();
    }
    m_writeOffset = static_cast<std::size_t>(offset);
    return offset;
}

MemoryFilterRun filterInMemory(std::string input, const engine::TargetSlots& slots,
                               std::size_t bufferSize, std::size_t readChunk)
{
    MemoryFileSystem files(std::move(input), readChunk);
    const engine::FilterResult result = engine::filterLines(
        files, MemoryFileSystem::kInputFd, MemoryFileSystem::kOutputFd, slots, bufferSize);
    return {files.output(), result};
}

engine::TargetSlots slotsOf(std::initializer_list<std::string> texts)
{
    engine::TargetSlots slots;
    std::copy(texts.begin(), texts.end(), slots.begin());
    return slots;
}

} // namespace purgix::test
