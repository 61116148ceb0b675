#pragma once

#include "core/targets.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace purgix::cli {

inline constexpr unsigned kDefaultWaitSeconds = 30;
// The file name that stands for standard input, filtered to standard output.
inline constexpr std::string_view kStandardStreams = "-";

// Where the targets come from: one given as it is (-e, or an argument after PATH), or a
// file that lists them one per line (-f).
struct TargetSource
{
    enum class Kind { Text, List };
    Kind kind = Kind::Text;
    std::string value;
    bool operator==(const TargetSource&) const = default;
};

struct CommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };

    Action action = Action::UsageError;
    std::string usageError;                  // why the arguments were refused
    std::optional<std::string> settingsFile; // --settings FILE
    // --wait SECONDS: how long to wait for another program that holds the file's lock.
    unsigned waitSeconds = kDefaultWaitSeconds;
    bool progress = false;     // --progress: how far the run is, on a terminal's standard error
    bool dryRun = false;       // -n: count what would go, change nothing
    bool printDeleted = false; // --print-deleted: the deleted lines to standard output
    bool noLimit = false;      // --no-limit: no 32,767-line limit
    std::optional<std::string> backupSuffix; // -b[SUFFIX]: keep the old content beside
    std::vector<std::string> paths;          // the files, in the order given
    // The targets in slot order; empty when the saved ones are to be used.
    std::vector<TargetSource> targets;

    // Whether standard input is filtered to standard output.
    bool filtersStandardInput() const { return paths.size() == 1 && paths[0] == kStandardStreams; }
    // Whether standard output carries bytes (kept or deleted lines), so that the reports
    // go to standard error.
    bool writesBytesOut() const { return printDeleted || (filtersStandardInput() && !dryRun); }
};

// Parses the arguments that follow the program name, in the style of GNU tools: options
// first, "--" ends them. Without -e or -f, the first argument that is not an option is
// the file and every one after it a target, so "-x" can be searched for; with them,
// every such argument is a file, and options may follow files.
CommandLine parseCommandLine(std::span<const char* const> arguments);

} // namespace purgix::cli
