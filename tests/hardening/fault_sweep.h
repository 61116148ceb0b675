#pragma once

#include "core/targets.h"
#include "settings/target_settings.h"

#include <filesystem>
#include <string>

namespace purgix::test {

struct RunScenario
{
    std::string name;
    std::string content;
    Targets slots;
    // When set, the run is given a symbolic link to a file of this name in the same
    // folder, and the link must stay a link.
    std::string linkTarget;
    // When set, the file has a second name (a hard link) of this name, so it is rewritten
    // in place, and both names must show the same content.
    std::string secondName = {};
    // When set, the run keeps a backup under the file's path with this added, which must
    // hold the whole old content once the run has succeeded, and nothing else ever.
    std::string backupSuffix = {};
};

struct SweepFigures
{
    int faultPoints = 0; // runs with one injected failure
    int failedRuns = 0;  // of those, the runs that reported a failure
};

// Counts the file-layer calls of a clean delete run of `scenario` on `file`, then runs
// it again once for every one of those calls and each of ENOSPC, EIO and EACCES, with
// that call failing. After each run the file must hold its old content or the complete
// result, keep its permission bits, and no temporary file, descriptor or stray entry may
// remain; a reported failure must name the file and the reason, and a failed read,
// write or rename must never be reported as success. A file rewritten in place may be
// left half rewritten only by a failure that names a kept, complete copy of its content.
SweepFigures sweepDeleteRun(const std::filesystem::path& file, const RunScenario& scenario);

// The same for saving `after` over a settings file that holds `before`.
SweepFigures sweepSettingsSave(const std::filesystem::path& file, const Targets& before,
                               const Targets& after);

// Descriptors this process has open, to catch a failure path that forgets one.
int openDescriptorCount();

} // namespace purgix::test
