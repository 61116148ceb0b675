#include "platform/files/detail/signal_cleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace purgix::platform {

namespace {

// Every signal that ends the process by default and comes from outside it; the faults a
// process causes itself (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS) cannot
// wait, and SIGKILL and SIGSTOP cannot be caught.
constexpr std::array kSignals = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGUSR1,
                                 SIGUSR2, SIGPIPE, SIGALRM, SIGVTALRM, SIGPROF,
                                 SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR,    SIGSTKFLT};

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

// How many SignalBlocks are open, in any thread, and the signal that came meanwhile.
std::atomic<int> g_blockDepth{0};
std::atomic<int> g_deferredSignal{0};

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

// Acts on the deferred signal, if one came; both the handler and the last block to close
// call this after their own step, so that exactly one of them takes the signal.
void endForDeferredSignal()
{
    if (const int signalNumber = g_deferredSignal.exchange(0); signalNumber != 0) {
        removeFilesAndEnd(signalNumber);
    }
}

void onSignal(int signalNumber)
{
    g_deferredSignal.store(signalNumber);
    if (g_blockDepth.load() == 0) {
        endForDeferredSignal();
    }
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
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(kSignals[i], &action, nullptr);
    }
}

void installHandlersOnce()
{
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
}

} // namespace

RemovalOnSignal::RemovalOnSignal(const std::string& path)
{
    installHandlersOnce();
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
    installHandlersOnce();
    g_blockDepth.fetch_add(1);
}

SignalBlock::~SignalBlock()
{
    if (g_blockDepth.fetch_sub(1) == 1) {
        endForDeferredSignal();
    }
}

} // namespace purgix::platform
