#include "target_source.h"

#include "program_folder.h"
#include "settings_location.h"
#include "target_settings.h"

#include <algorithm>

namespace purgix::cli {

namespace {

SlotsOrFailure slotsFromArguments(const std::vector<std::string>& targets)
{
    SlotsOrFailure result;
    std::copy(targets.begin(), targets.end(), result.slots.begin());
    return result;
}

SlotsOrFailure slotsFromSettingsFile(const std::string& path)
{
    SlotsOrFailure result;
    result.slots.fill(std::string(settings::kStartUpTarget));
    // As at the window's start-up: a file that cannot be read leaves ten empty slots.
    settings::loadTargets(path, result.slots);
    return result;
}

} // namespace

SlotsOrFailure slotsFor(const CommandLine& commandLine)
{
    if (!commandLine.targets.empty()) {
        return slotsFromArguments(commandLine.targets);
    }
    if (commandLine.settingsFile) {
        return slotsFromSettingsFile(*commandLine.settingsFile);
    }
    const std::string folder = platform::programFolder();
    if (folder.empty()) {
        return {{}, "Cannot find the folder of purgix-cli, where the saved targets are kept."};
    }
    const settings::SettingsLocation location =
        settings::locateSettings(settings::builtLayout(), folder);
    if (location.file.empty()) {
        return {{}, location.failure};
    }
    return slotsFromSettingsFile(location.file);
}

} // namespace purgix::cli
