#include "settings/settings_location.h"

#include "platform/files/private_folder.h"
#include "platform/files/program_folder.h"
#include "platform/files/user_settings_folder.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace purgix::settings {

namespace {

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
    platform::UserSettingsFolder folder = platform::userSettingsFolder();
    if (folder.path.empty()) {
        return {{}, {}, false, std::move(folder.failure)};
    }
    std::string file = folder.path + platform::kFolderSeparator + "purgix.ini";
    return {std::move(file), std::move(folder.path), false, {}};
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
