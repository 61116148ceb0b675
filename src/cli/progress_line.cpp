#include "cli/progress_line.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace purgix::cli {

namespace {

constexpr std::chrono::milliseconds kInterval{200};

} // namespace

ProgressLine::ProgressLine(std::ostream& err, std::mutex& lock, std::string path,
                           const engine::RunControl& control)
    : m_err(err), m_lock(lock), m_path(std::move(path)), m_control(control)
{
    m_thread = std::thread([this] {
        while (!m_done.load()) {
            std::this_thread::sleep_for(kInterval);
            show();
        }
    });
}

ProgressLine::~ProgressLine()
{
    m_done.store(true);
    m_thread.join();
    if (m_shownLength > 0) {
        const std::lock_guard guard(m_lock);
        m_err << '\r' << std::string(m_shownLength, ' ') << '\r' << std::flush;
    }
}

void ProgressLine::show()
{
    const std::int64_t size = m_control.fileSize();
    if (size <= 0 || m_done.load()) {
        return;
    }
    const std::int64_t percent = std::min(m_control.bytesRead(), size) * 100 / size;
    const std::string line =
        "purgix-cli: " + std::to_string(percent) + "% of \"" + m_path + "\" read";
    const std::lock_guard guard(m_lock);
    m_err << '\r' << line;
    if (line.size() < m_shownLength) {
        m_err << std::string(m_shownLength - line.size(), ' ') << '\r' << line;
    }
    m_err << std::flush;
    m_shownLength = std::max(m_shownLength, line.size());
}

} // namespace purgix::cli
