#include "win32/scripted_file_system.h"

#include "platform/files/detail/path_names.h"

namespace purgix::test {

HANDLE ScriptedFileSystem::createFile(const std::string& path, DWORD access, DWORD share,
                                      DWORD disposition, DWORD flags, const std::string& security)
{
    if (fails()) {
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == CREATE_NEW && !m_refusedFolder.empty() &&
        platform::baseName(platform::parentFolder(path)) == m_refusedFolder) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return m_system.createFile(path, access, share, disposition, flags, security);
}

bool ScriptedFileSystem::replace(const std::string& replaced, const std::string& replacement)
{
    ++m_replaceCalls;
    if (fails()) {
        return false;
    }
    if (m_failuresLeft > 0) {
        --m_failuresLeft;
        ::SetLastError(m_replaceError);
        return false;
    }
    return m_system.replace(replaced, replacement);
}

} // namespace purgix::test
