#include "support/system_environment.h"

#include <cstdlib>

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

} // namespace purgix::test
