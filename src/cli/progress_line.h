#pragma once

#include "engine/run_control.h"

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace purgix::cli {

// While it lives, rewrites one line on a terminal's standard error a few times a second
// with how much of the file a run has read; it clears the line when it goes. Writers of
// `err` on other threads hold `lock` while they write.
class ProgressLine
{
public:
    ProgressLine(std::ostream& err, std::mutex& lock, std::string path,
                 const engine::RunControl& control);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void show();

    std::ostream& m_err;
    std::mutex& m_lock;
    std::string m_path;
    const engine::RunControl& m_control;
    std::size_t m_shownLength = 0;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace purgix::cli
