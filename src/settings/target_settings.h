#pragma once

#include <array>
#include <string>
#include <string_view>

namespace purgix::platform {
class FileSystem;
}

namespace purgix::settings {

inline constexpr int kTargetCount = 10;
using Targets = std::array<std::string, kTargetCount>;

// "purgix.ini" in the given program folder.
std::string settingsFilePath(std::string_view programFolder);

// Applies the settings file's content to `targets`: lines 0-9 fill slots 0-9, further
// lines are ignored, and slots past the last line keep their previous text.
void applySettingsContent(std::string_view content, Targets& targets);

// Reads the settings file into `targets`; a file that cannot be read empties all ten.
void loadTargets(const std::string& path, Targets& targets,
                 platform::FileSystem* fileSystem = nullptr);

struct SaveResult
{
    bool succeeded = false;
    std::string message; // names the file and the reason when the save failed
};

// Writes the ten targets, one per line each followed by CR LF, replacing the file
// atomically: the old content stays in place until the new one is complete on disk.
SaveResult saveTargets(const std::string& path, const Targets& targets,
                       platform::FileSystem* fileSystem = nullptr);

} // namespace purgix::settings
