#include "settings_location.h"

#include "private_folder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

namespace purgix::settings {

namespace {

// An environment variable that names an absolute folder; relative or empty values are
// ignored, as the XDG base directory rules ask.
std::optional<std::string> absoluteFolderFrom(const char* variable)
{
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> userConfigFolder()
{
    if (auto configHome = absoluteFolderFrom("XDG_CONFIG_HOME")) {
        return configHome;
    }
    if (auto home = absoluteFolderFrom("HOME")) {
        return *home + "/.config";
    }
    return std::nullopt;
}

bool exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

Layout builtLayout()
{
#ifdef PURGIX_INSTALLED_LAYOUT
    return Layout::Installed;
#else
    return Layout::Portable;
#endif
}

SettingsLocation locateSettings(Layout layout, std::string_view programFolder)
{
    const std::string besideProgram = settingsFilePath(programFolder);
    if (layout == Layout::Portable || exists(besideProgram)) {
        return {besideProgram, {}, true, {}};
    }
    const std::optional<std::string> configFolder = userConfigFolder();
    if (!configFolder) {
        return {{}, {}, false, "Neither XDG_CONFIG_HOME nor HOME names a folder for purgix.ini."};
    }
    const std::string folder = *configFolder + "/purgix";
    return {folder + "/purgix.ini", folder, false, {}};
}

SaveResult saveTargetsAt(const SettingsLocation& location, const Targets& targets)
{
    if (location.file.empty()) {
        return {false, "The target strings were not saved. " + location.failure};
    }
    if (!location.userFolder.empty()) {
        if (const auto failure = platform::createPrivateFolder(location.userFolder)) {
            return {false, "The target strings were not saved. " + failure->message()};
        }
    }
    return saveTargets(location.file, targets);
}

} // namespace purgix::settings
