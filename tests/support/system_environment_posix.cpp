#include "support/system_environment.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace purgix::test {

const char* const kTemporaryFolderVariable = "TMPDIR";

void setEnvironment(const std::string& name, const std::optional<std::string>& value)
{
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

bool createUniqueFolder(std::string& pattern)
{
    return ::mkdtemp(pattern.data()) != nullptr;
}

HeldLock::HeldLock(const std::string& path) : m_handle(::open(path.c_str(), O_RDONLY))
{
    ::flock(static_cast<int>(m_handle), LOCK_EX);
}

HeldLock::~HeldLock()
{
    ::close(static_cast<int>(m_handle));
}

} // namespace purgix::test
