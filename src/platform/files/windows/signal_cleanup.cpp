#include "console_cleanup.h"
#include "wide_text.h"

#include <algorithm>
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

BOOL WINAPI removeRegisteredFiles(DWORD)
{
    const std::lock_guard guard(registryLock());
    for (const std::wstring& path : registeredPaths()) {
        ::DeleteFileW(path.c_str());
    }
    return FALSE; // the next handler, the system's, ends the process
}

} // namespace

RemovalOnConsoleClose::RemovalOnConsoleClose(const std::string& path) : m_path(wideText(path))
{
    static std::once_flag installed;
    std::call_once(installed, [] { ::SetConsoleCtrlHandler(&removeRegisteredFiles, TRUE); });
    const std::lock_guard guard(registryLock());
    registeredPaths().push_back(m_path);
}

RemovalOnConsoleClose::~RemovalOnConsoleClose()
{
    const std::lock_guard guard(registryLock());
    std::vector<std::wstring>& paths = registeredPaths();
    paths.erase(std::find(paths.begin(), paths.end(), m_path));
}

} // namespace purgix::platform
