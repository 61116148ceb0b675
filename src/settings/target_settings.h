#pragma once

#include "platform/files/file_system.h"
#include "settings/detail/settings_content.h"

#include <string>
#include <string_view>
#include <vector>

namespace purgix::settings {

// "purgix.ini" in the given program folder, joined without a separator check: a root
// folder gives "//purgix.ini" (on Windows "C:\\purgix.ini"), which names the same file.
std::string settingsFilePath(std::string_view programFolder);

struct LoadResult
{
    bool succeeded = false;
    bool missing = false; // there is no settings file: the ordinary first start
    std::string message;  // names the file and the reason when it could not be read
    int lines = 0;        // how many slots the file's lines filled; the rest kept their text
};

// Reads the settings file into `targets` by the rules of applySettingsContent. A file
// that cannot be opened or read (missing, no permission, not a regular file, a read
// error, a target longer than kMaxTargetLength) empties all ten slots. Reading stops
// once ten lines are complete, so a huge file costs no more than its first ten lines.
[[nodiscard]] LoadResult loadTargets(const std::string& path, Targets& targets,
                                     platform::FileSystem* fileSystem = nullptr);

struct TargetListResult
{
    bool succeeded = false;
    std::vector<std::string> targets; // one per line, an empty line an empty slot
    bool moreThanTen = false;         // a line after the tenth holds a target
    std::string message;              // names the file and the reason when it could not be read
};

// Reads a list of targets, one per line, by the line rules of the settings file. Up to
// ten lines are targets; empty lines after them are allowed, a target after them is not.
[[nodiscard]] TargetListResult loadTargetList(const std::string& path,
                                              platform::FileSystem* fileSystem = nullptr);

struct SaveResult
{
    bool succeeded = false;
    std::string message; // names the file and the reason when the save failed
};

// Writes the ten targets, one per line each followed by CR LF, replacing the file
// atomically: the old content stays in place until the new one is complete on disk.
[[nodiscard]] SaveResult saveTargets(const std::string& path, const Targets& targets,
                                     platform::FileSystem* fileSystem = nullptr);

} // namespace purgix::settings
