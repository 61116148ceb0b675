// Reads arbitrary bytes as a settings file and compares the ten slots with the
// reading table; then saves those slots and loads them back, which must give the same
// ten texts and exactly ten CR LF lines on disk.
#include "fuzz_input.h"
#include "fuzz_workspace.h"
#include "settings/target_settings.h"
#include "support/reference_model.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using purgix::Targets;
using purgix::test::settingsFileModel;

Targets markedTargets(const std::string& mark)
{
    Targets targets;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        targets[i] = mark + std::to_string(i);
    }
    return targets;
}

[[noreturn]] void reportSettingsMismatch(const std::string& what, const std::string& content,
                                         const std::string& expected, const std::string& actual)
{
    purgix::fuzz::FuzzCase shown;
    shown.body = content;
    purgix::fuzz::reportMismatch(what, shown, expected, actual);
}

void checkRoundTrip(const std::string& content, const Targets& targets)
{
    const std::string path = purgix::fuzz::FuzzWorkspace::instance().file("purgix.ini");
    const purgix::settings::SaveResult saved = purgix::settings::saveTargets(path, targets);
    // A line break would split its target over two lines of the file: such targets are
    // refused, never written.
    const bool savable = std::none_of(targets.begin(), targets.end(), [](const std::string& t) {
        return t.find_first_of("\r\n") != std::string::npos;
    });
    if (saved.succeeded != savable) {
        reportSettingsMismatch("save", content, savable ? "success" : "refusal", saved.message);
    }
    if (!savable) {
        return;
    }
    const std::string written = purgix::fuzz::readWholeFile(path);
    if (written != settingsFileModel(targets)) {
        reportSettingsMismatch("saved file", content, settingsFileModel(targets), written);
    }
    Targets loaded = markedTargets("other-");
    const purgix::settings::LoadResult reloaded = purgix::settings::loadTargets(path, loaded);
    if (!reloaded.succeeded) {
        reportSettingsMismatch("reload", content, "success", reloaded.message);
    }
    if (loaded != targets) {
        reportSettingsMismatch("loaded slots", content, settingsFileModel(targets),
                               settingsFileModel(loaded));
    }
}

void checkNothingLeftBehind(const std::string& content)
{
    const purgix::fuzz::FuzzWorkspace& workspace = purgix::fuzz::FuzzWorkspace::instance();
    // The settings file itself is there unless every save so far was refused.
    std::vector<std::string> entries = purgix::fuzz::folderEntries(workspace.folder());
    std::erase(entries, "purgix.ini");
    if (entries != std::vector<std::string>{"tmp"} ||
        !purgix::fuzz::folderEntries(workspace.tempFolder()).empty()) {
        reportSettingsMismatch("files left beside the settings file", content, "none", "some");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    const Targets start = markedTargets("start-");
    Targets actual = start;
    purgix::settings::applySettingsContent(content, actual);
    const Targets expected = purgix::test::applySettingsModel(content, start);
    if (actual != expected) {
        reportSettingsMismatch("slots", content, settingsFileModel(expected),
                               settingsFileModel(actual));
    }
    checkRoundTrip(content, actual);
    checkNothingLeftBehind(content);
    return 0;
}
