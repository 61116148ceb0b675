#include "engine/detail/watched_source.h"

#include <cerrno>

namespace purgix::engine {

std::ptrdiff_t WatchedSource::read(char* buffer, std::size_t size)
{
    if (m_control == nullptr) {
        return m_source.read(buffer, size);
    }
    if (m_control->stopRequested()) {
        m_stopped = true;
        errno = ECANCELED;
        return -1;
    }
    const std::ptrdiff_t got = m_source.read(buffer, size);
    m_control->setBytesRead(m_source.offset());
    return got;
}

} // namespace purgix::engine
