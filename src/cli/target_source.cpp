#include "cli/target_source.h"

#include "platform/files/program_folder.h"
#include "settings/settings_location.h"
#include "settings/target_settings.h"

#include <algorithm>

namespace purgix::cli {

namespace {

constexpr std::string_view kTooManyTargets = "at most ten targets can be given";

// The targets given with -e and -f, or after PATH, in slot order.
SlotsOrFailure slotsFromArguments(const std::vector<TargetSource>& sources)
{
    SlotsOrFailure result;
    std::vector<std::string> targets;
    for (const TargetSource& source : sources) {
        if (source.kind == TargetSource::Kind::Text) {
            targets.push_back(source.value);
            continue;
        }
        settings::TargetListResult list = settings::loadTargetList(source.value);
        if (!list.succeeded) {
            result.failure = list.message;
            return result;
        }
        if (list.moreThanTen) {
            result.usageError =
                std::string(kTooManyTargets) + ": \"" + source.value + "\" lists more than ten";
            return result;
        }
        targets.insert(targets.end(), list.targets.begin(), list.targets.end());
    }
    if (targets.size() > result.slots.size()) {
        result.usageError =
            std::string(kTooManyTargets) + ", not " + std::to_string(targets.size());
        return result;
    }
    std::copy(targets.begin(), targets.end(), result.slots.begin());
    return result;
}

// Says which slots a settings file of fewer than ten lines left at the start-up text.
std::string startUpTextNote(const std::string& path, int lines)
{
    if (lines >= kTargetCount) {
        return {};
    }
    const std::string slots = lines + 1 == kTargetCount
                                  ? "target 10 is"
                                  : "targets " + std::to_string(lines + 1) + " to 10 are";
    return slots + " the window's start-up text \"" + std::string(kStartUpTarget) + "\": \"" +
           path + "\" has " + std::to_string(lines) + (lines == 1 ? " line" : " lines");
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
        result.note = startUpTextNote(path, loaded.lines);
        return result;
    }
    if (namedByUser) {
        result.failure = loaded.message;
    } else if (!loaded.missing) {
        result.warning = loaded.message;
    }
    return result;
}

SlotsOrFailure savedSlots(const CommandLine& commandLine)
{
    if (commandLine.settingsFile) {
        return slotsFromSettingsFile(*commandLine.settingsFile, true);
    }
    const std::string folder = platform::programFolder();
    if (folder.empty()) {
        return {{},
                "Cannot find the folder of purgix-cli, where the saved targets are kept.",
                {},
                {},
                {}};
    }
    const settings::SettingsLocation location =
        settings::locateSettings(settings::builtLayout(), folder);
    if (location.file.empty()) {
        return {{}, location.failure, {}, {}, {}};
    }
    return slotsFromSettingsFile(location.file, false);
}

bool allEmpty(const Targets& slots)
{
    return std::all_of(slots.begin(), slots.end(), [](const auto& slot) { return slot.empty(); });
}

} // namespace

SlotsOrFailure slotsFor(const CommandLine& commandLine)
{
    SlotsOrFailure result = commandLine.targets.empty() ? savedSlots(commandLine)
                                                        : slotsFromArguments(commandLine.targets);
    if (result.failure.empty() && result.usageError.empty() && allEmpty(result.slots)) {
        result.usageError = "no targets: give them as arguments or save them in the window";
    }
    return result;
}

} // namespace purgix::cli
