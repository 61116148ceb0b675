#include "platform/files/detail/signal_cleanup.h"

#include "platform/files/wide_text.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>
#include <windows.h>

namespace purgix::platform {

namespace {

// The system calls the handler on a thread of its own.
std::mutex& registryLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<std::wstring>& registeredPaths()
{
    static std::vector<std::wstring> paths;
    return paths;
}

std::atomic<int> g_blockDepth{0};

// Ctrl+C, Ctrl+Break and closing the console: a step that must run whole finishes
// first (the system waits some seconds for the handler before it ends the process on a
// close), then the temporary files go, and the next handler, the system's, ends the
// process.
BOOL WINAPI onConsoleEvent(DWORD)
{
    while (g_blockDepth.load() > 0) {
        ::Sleep(1);
    }
    const std::lock_guard guard(registryLock());
    for (const std::wstring& path : registeredPaths()) {
        if (!path.empty()) {
            ::DeleteFileW(path.c_str());
        }
    }
    return FALSE;
}

void installHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] { ::SetConsoleCtrlHandler(&onConsoleEvent, TRUE); });
}

} // namespace

RemovalOnSignal::RemovalOnSignal(const std::string& path)
{
    installHandler();
    const std::lock_guard guard(registryLock());
    std::vector<std::wstring>& paths = registeredPaths();
    const auto free = std::find(paths.begin(), paths.end(), std::wstring());
    m_slot = static_cast<int>(free - paths.begin());
    if (free == paths.end()) {
        paths.emplace_back();
    }
    paths[static_cast<std::size_t>(m_slot)] = wideText(path);
}

RemovalOnSignal::~RemovalOnSignal()
{
    const std::lock_guard guard(registryLock());
    registeredPaths()[static_cast<std::size_t>(m_slot)].clear();
}

SignalBlock::SignalBlock()
{
    installHandler();
    g_blockDepth.fetch_add(1);
}

SignalBlock::~SignalBlock()
{
    g_blockDepth.fetch_sub(1);
}

} // namespace purgix::platform
