#include "support/system_environment.h"

#include <filesystem>
#include <random>
#include <stdlib.h>
#include <system_error>

namespace purgix::test {

const char* const kTemporaryFolderVariable = "TMP";

void setEnvironment(const std::string& name, const std::optional<std::string>& value)
{
    // An empty value removes the variable.
    ::_putenv_s(name.c_str(), value ? value->c_str() : "");
}

bool createUniqueFolder(std::string& pattern)
{
    std::random_device device;
    const std::string stem = pattern.substr(0, pattern.size() - 6);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + std::to_string(device() % 1000000);
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            pattern = std::move(candidate);
            return true;
        }
    }
    return false;
}

} // namespace purgix::test
