#include "scripted_file_system.h"

namespace purgix::test {

bool ScriptedFileSystem::replace(const std::string& replaced, const std::string& replacement)
{
    ++m_replaceCalls;
    if (m_failuresLeft > 0) {
        --m_failuresLeft;
        ::SetLastError(m_replaceError);
        return false;
    }
    return m_system.replace(replaced, replacement);
}

} // namespace purgix::test
