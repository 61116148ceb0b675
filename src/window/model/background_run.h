#pragma once

#include "core/targets.h"
#include "engine/delete_run.h"
#include "engine/run_control.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace purgix::window {

// A delete run on a thread of its own, so that the window's thread keeps taking events.
// The view watches it: finished() when done, progress for its dialog, cancel() for its
// Cancel button. A run waits for another program's lock until it gets it or is cancelled.
// Destroying it waits for the run to end.
class BackgroundRun
{
public:
    // A run still working after this long shows the progress dialog; shorter runs never do.
    static constexpr std::chrono::milliseconds kDialogDelay{500};
    // How often a view looks at the run while it waits.
    static constexpr std::chrono::milliseconds kPollInterval{15};

    BackgroundRun(std::string path, const Targets& targets);
    ~BackgroundRun();
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    // Done, or stopped on request with only its new content left to discard.
    bool finished() const
    {
        return m_finished.load(std::memory_order_acquire) || m_control.stopped();
    }
    // Asks the run to stop at its next block; too late once it has begun to replace the file.
    void cancel() { m_control.requestStop(); }

    // What the dialog says: the file's name (the last part of the path), or that the run
    // waits for another program that holds the file's lock.
    std::string statusText() const;
    // How much of the file has been read, from 0 to 1000.
    int permilleRead() const;

    // The outcome, once finished. A cancelled run may still be discarding its new content
    // until this object goes.
    engine::DeleteRunOutcome takeOutcome();

private:
    std::string m_path;
    engine::RunControl m_control;
    engine::DeleteRunOutcome m_outcome;
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_waitingForLock{false};
    std::thread m_thread;
};

} // namespace purgix::window
