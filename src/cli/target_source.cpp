#include "cli/target_source.h"

#include "platform/files/program_folder.h"
#include "settings/settings_location.h"
#include "settings/target_settings.h"

#include <algorithm>

namespace purgix::cli {

namespace {

SlotsOrFailure slotsFromArguments(const std::vector<std::string>& targets)
{
    SlotsOrFailure result;
    std::copy(targets.begin(), targets.end(), result.slots.begin());
    return result;
}

// Saved targets over slots that start as the window's start-up text. A file the user
// named must be readable; the one beside the program is read as at the window's
// start-up, where a file that cannot be read leaves ten empty slots.
SlotsOrFailure slotsFromSettingsFile(const std::string& path, bool namedByUser)
{
    SlotsOrFailure result;
    result.slots.fill(std::string(kStartUpTarget));
    const settings::LoadResult loaded = settings::loadTargets(path, result.slots);
    if (loaded.succeeded) {
        return result;
    }
    if (namedByUser) {
        result.failure = loaded.message;
    } else if (!loaded.missing) {
        result.warning = loaded.message;
    }
    return result;
}

} // namespace

SlotsOrFailure slotsFor(const CommandLine& commandLine)
{
    if (!commandLine.targets.empty()) {
        return slotsFromArguments(commandLine.targets);
    }
    if (commandLine.settingsFile) {
        return slotsFromSettingsFile(*commandLine.settingsFile, true);
    }
    const std::string folder = platform::programFolder();
    if (folder.empty()) {
        return {{}, "Cannot find the folder of purgix-cli, where the saved targets are kept.", {}};
    }
    const settings::SettingsLocation location =
        settings::locateSettings(settings::builtLayout(), folder);
    if (location.file.empty()) {
        return {{}, location.failure, {}};
    }
    return slotsFromSettingsFile(location.file, false);
}

} // namespace purgix::cli
