#pragma once

#include "core/targets.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace purgix::settings {

// The longest target the settings file may hold, in bytes. A longer line is not a
// target anyone typed, and holding it would let a huge file fill the memory.
inline constexpr std::size_t kMaxTargetLength = 32767;

// Applies the settings file's content to `targets`. The part up to its tenth LF (or all
// of it) holds the ten lines, and its count of line ends chooses their rule as for any
// file: LF alone ends the lines of a file edited with a Linux editor (a CR is part of its
// line); otherwise a line ends at CR LF, CR or LF. A last line without terminator counts,
// an empty content has no lines; lines 0-9 fill slots 0-9, further lines are ignored, and
// slots past the last line keep their previous text. Every other byte, NUL included, is
// part of a target.
void applySettingsContent(std::string_view content, Targets& targets);

// The file content that stores `targets`: each one, unchanged, followed by CR LF.
std::string formatSettingsContent(const Targets& targets);

// Whether `content` reaches its tenth LF, so that the part holding the ten lines is
// complete and nothing after it is needed.
bool holdsLeadingPart(std::string_view content);

} // namespace purgix::settings
