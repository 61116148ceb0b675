#include "signal_cleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace purgix::platform {

namespace {

constexpr std::array kSignals = {SIGINT, SIGTERM, SIGHUP};

// A path the handler may read only once it is Ready; the handler runs at any moment, so
// it touches nothing but these atomics and fixed buffers.
enum SlotState : int { Free, Writing, Ready };

struct PathSlot
{
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};

std::array<PathSlot, 8> g_slots;
std::array<struct sigaction, kSignals.size()> g_previous;

void removeFilesAndEnd(int signalNumber)
{
    for (PathSlot& slot : g_slots) {
        if (slot.state.load() == Ready) {
            ::unlink(slot.path);
        }
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (kSignals[i] == signalNumber) {
            ::sigaction(signalNumber, &g_previous[i], nullptr);
        }
    }
    ::raise(signalNumber);
}

// Installs the handler for each signal whose disposition is still the default: a
// signal the process ignores (nohup) stays ignored, and one it handles itself keeps
// its handler.
void installHandlers()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction current = {};
        if (::sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL) {
            continue;
        }
        g_previous[i] = current;
        struct sigaction action = {};
        action.sa_handler = removeFilesAndEnd;
        sigemptyset(&action.sa_mask);
        ::sigaction(kSignals[i], &action, nullptr);
    }
}

sigset_t cleanupSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kSignals) {
        sigaddset(&set, signalNumber);
    }
    return set;
}

} // namespace

RemovalOnSignal::RemovalOnSignal(const std::string& path)
{
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
    if (path.size() >= PATH_MAX) {
        return;
    }
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        int expected = Free;
        if (g_slots[i].state.compare_exchange_strong(expected, Writing)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].state.store(Ready);
            m_slot = static_cast<int>(i);
            return;
        }
    }
}

RemovalOnSignal::~RemovalOnSignal()
{
    if (m_slot >= 0) {
        g_slots[static_cast<std::size_t>(m_slot)].state.store(Free);
    }
}

SignalBlock::SignalBlock()
{
    const sigset_t set = cleanupSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &m_previous);
}

SignalBlock::~SignalBlock()
{
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

} // namespace purgix::platform
