#include "window/model/background_run.h"

#include "engine/run_messages.h"

#include <algorithm>
#include <utility>

namespace purgix::window {

BackgroundRun::BackgroundRun(std::string path, const Targets& targets) : m_path(std::move(path))
{
    engine::DeleteRunOptions options;
    options.control = &m_control;
    options.lockWait.giveUpAfter = std::nullopt;
    options.lockWait.waiting = [this] { m_waitingForLock.store(true, std::memory_order_relaxed); };
    m_thread = std::thread([this, targets, options] {
        m_outcome = engine::runDelete(m_path, targets, options);
        m_finished.store(true, std::memory_order_release);
    });
}

BackgroundRun::~BackgroundRun()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::string BackgroundRun::statusText() const
{
    const std::size_t slash = m_path.find_last_of("/\\");
    const std::string name = slash == std::string::npos || slash + 1 == m_path.size()
                                 ? m_path
                                 : m_path.substr(slash + 1);
    if (m_waitingForLock.load(std::memory_order_relaxed)) {
        return "Waiting for another program that uses \"" + name + "\"";
    }
    return name;
}

int BackgroundRun::permilleRead() const
{
    const std::int64_t size = m_control.fileSize();
    if (size <= 0) {
        return 0;
    }
    const std::int64_t read = std::min(m_control.bytesRead(), size);
    return static_cast<int>(read * 1000 / size);
}

engine::DeleteRunOutcome BackgroundRun::takeOutcome()
{
    if (!m_finished.load(std::memory_order_acquire) && m_control.stopped()) {
        return engine::cancelledOutcome(m_path);
    }
    m_thread.join();
    return std::move(m_outcome);
}

} // namespace purgix::window
