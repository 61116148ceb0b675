#pragma once

#include "file_system.h"
#include "line_filter.h"

#include <cstddef>
#include <initializer_list>
#include <limits>
#include <string>

namespace purgix::test {

// Two in-memory files for the line filter: kInputFd reads `input`, kOutputFd is a new,
// empty output file. Reads hand out at most `readChunk` bytes, as a pipe-like source
// might; chosen calls fail, to show how the filter reports read and write errors.
// Every other operation fails with ENOSYS: the filter must not need it.
class MemoryFileSystem final : public platform::FileSystem
{
public:
    static constexpr int kInputFd = 3;
    static constexpr int kOutputFd = 4;

    explicit MemoryFileSystem(std::string input,
                              std::size_t readChunk = std::numeric_limits<std::size_t>::max());

    const std::string& output() const { return m_output; }
    // The n-th read (1-based) fails with EIO.
    void failRead(int n) { m_failingRead = n; }
    // A write fails with ENOSPC once the output would grow past `size` bytes.
    void limitOutput(std::size_t size) { m_outputLimit = size; }
    void failTruncate() { m_failTruncate = true; }
    int truncateCount() const { return m_truncateCount; }

    ssize_t read(int fd, void* buffer, std::size_t size) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
    int truncate(int fd, off_t length) override;
    off_t seek(int fd, off_t offset, int whence) override;

    int open(const std::string&, int, mode_t) override { return unsupported(); }
    int createUnique(std::string&) override { return unsupported(); }
    int fsync(int) override { return unsupported(); }
    int close(int) override { return unsupported(); }
    int fstat(int, struct stat&) override { return unsupported(); }
    int stat(const std::string&, struct stat&) override { return unsupported(); }
    int fchmod(int, mode_t) override { return unsupported(); }
    int fchown(int, uid_t, gid_t) override { return unsupported(); }
    int lock(int, int) override { return unsupported(); }
    int rename(const std::string&, const std::string&) override { return unsupported(); }
    int unlink(const std::string&) override { return unsupported(); }
    int access(const std::string&, int) override { return unsupported(); }
    std::string realPath(const std::string&) override { return {}; }

private:
    static int unsupported();

    std::string m_input;
    std::size_t m_readChunk;
    std::size_t m_readOffset = 0;
    int m_readCount = 0;
    int m_failingRead = 0;
    std::string m_output;
    std::size_t m_writeOffset = 0;
    std::size_t m_outputLimit = std::numeric_limits<std::size_t>::max();
    bool m_failTruncate = false;
    int m_truncateCount = 0;
};

struct MemoryFilterRun
{
    std::string output;
    engine::FilterResult result;
};

// Filters `input` through a MemoryFileSystem.
MemoryFilterRun filterInMemory(std::string input, const engine::TargetSlots& slots,
                               std::size_t bufferSize = engine::kDefaultBufferSize,
                               std::size_t readChunk = std::numeric_limits<std::size_t>::max());

// Slots filled from index 0 on; the rest stay empty.
engine::TargetSlots slotsOf(std::initializer_list<std::string> texts);

} // namespace purgix::test
