#pragma once

#include <atomic>
#include <cstdint>

namespace purgix::engine {

// Shared between a delete run and the thread that watches it: how far the run has read,
// and a request to stop. The run checks the request once per block it reads, and no
// longer once it has begun to put the new content in place.
class RunControl
{
public:
    void requestStop() { m_stopRequested.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return m_stopRequested.load(std::memory_order_relaxed); }

    // Bytes of the file read so far, and the file's size once it is open (0 before).
    std::int64_t bytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }
    std::int64_t fileSize() const { return m_fileSize.load(std::memory_order_relaxed); }

    // Set by the run once it has given up on request and left the file as it was; what
    // remains is discarding the new content, which takes a while for a large one.
    bool stopped() const { return m_stopped.load(std::memory_order_acquire); }

    void setFileSize(std::int64_t size) { m_fileSize.store(size, std::memory_order_relaxed); }
    void markStopped() { m_stopped.store(true, std::memory_order_release); }
    void setBytesRead(std::int64_t bytes) { m_bytesRead.store(bytes, std::memory_order_relaxed); }

private:
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<std::int64_t> m_bytesRead{0};
    std::atomic<std::int64_t> m_fileSize{0};
};

} // namespace purgix::engine
