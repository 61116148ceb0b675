#pragma once

#include "core/targets.h"
#include "settings/target_settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace purgix::test {

// A deliberately plain statement of what Purgix must do, written for clarity rather
// than speed: the tests and the fuzz targets compare the real code with it.

// True when the content's lone LFs (no CR before them) outnumber its CR LF pairs and lone
// CRs together: its lines end in LF.
bool endsLinesInLf(std::string_view content);

// Splits by the line rule: in content whose lines end in LF each LF ends a line and a CR
// is part of its line; in any other content a line ends at CR LF, CR or LF. A last line
// without terminator is a line, and empty content has no lines.
std::vector<std::string> splitLines(std::string_view content);
// Splits by the rule given: `lfOnly` for content whose lines end in LF.
std::vector<std::string> splitLines(std::string_view content, bool lfOnly);

struct FilterModel
{
    std::string output;
    std::string deleted; // the dropped lines
    std::array<std::uint64_t, kTargetCount> droppedPerSlot{};
};

// One scan for all slots: a line goes when it contains any non-empty slot's text and
// counts for the lowest such slot; each kept line is followed by LF in content whose
// lines end in LF (so it stays as it was), by CR LF in any other. Each dropped line goes
// to `deleted` followed by the same line end.
FilterModel filterModel(std::string_view content, const Targets& slots);

struct DeleteRunModel
{
    bool succeeded = false;
    std::string message;     // "N lines deleted." or "Overflow"
    std::string fileContent; // what the file holds afterwards
    std::string deleted;     // the lines the applied passes deleted, in file order, as filterModel
};

// The run done pass by pass, one non-empty slot after the other, each pass replacing
// the file under the line rule of the file as the run found it, with 16-bit signed counts: a pass's
// count or the running total beyond 32,767 ends the run with "Overflow" and leaves the passes
// before it applied.
DeleteRunModel deleteRunModel(std::string_view content, const Targets& slots);

// The settings reading table: lines 0-9 fill slots 0-9, later lines are ignored and
// slots past the last line keep their text. The content up to its tenth LF holds the
// lines, and its own line ends choose their rule.
Targets applySettingsModel(std::string_view content, Targets targets);

// The settings file that stores `targets`: each one, unchanged, followed by CR LF.
std::string settingsFileModel(const Targets& targets);

} // namespace purgix::test
