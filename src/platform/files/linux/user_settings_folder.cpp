#include "platform/files/user_settings_folder.h"

#include <cstdlib>
#include <optional>

namespace purgix::platform {

namespace {

// An environment variable that names an absolute folder.
std::optional<std::string> absoluteFolderFrom(const char* variable)
{
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::string(value);
}

} // namespace

UserSettingsFolder userSettingsFolder()
{
    if (auto configHome = absoluteFolderFrom("XDG_CONFIG_HOME")) {
        return {*configHome + "/purgix", {}};
    }
    if (auto home = absoluteFolderFrom("HOME")) {
        return {*home + "/.config/purgix", {}};
    }
    return {{}, "Neither XDG_CONFIG_HOME nor HOME names a folder for purgix.ini."};
}

} // namespace purgix::platform
