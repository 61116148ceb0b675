#pragma once

#include "core/targets.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace purgix::cli {

inline constexpr unsigned kDefaultWaitSeconds = 30;

struct CommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };

    Action action = Action::UsageError;
    std::string usageError;                  // why the arguments were refused
    std::optional<std::string> settingsFile; // --settings FILE
    // --wait SECONDS: how long to wait for another program that holds the file's lock.
    unsigned waitSeconds = kDefaultWaitSeconds;
    bool progress = false; // --progress: how far the run is, on a terminal's standard error
    std::string path;
    std::vector<std::string> targets; // in slot order; empty when none were given
};

// Parses the arguments that follow the program name. Options come first; "--" ends
// them, and after PATH every argument is a target, so "-x" can be searched for.
CommandLine parseCommandLine(std::span<const char* const> arguments);

// The usage text, ending in a newline.
std::string usageText();

} // namespace purgix::cli
