#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace purgix::settings {

inline constexpr int kTargetCount = 10;
using Targets = std::array<std::string, kTargetCount>;

// The text every slot holds at start-up, before the saved targets are read over it.
inline constexpr std::string_view kStartUpTarget = "127.0.0.1";

// The longest target the settings file may hold, in bytes. A longer line is not a
// target anyone typed, and holding it would let a huge file fill the memory.
inline constexpr std::size_t kMaxTargetLength = 32767;

// Applies the settings file's content to `targets`. The lines end in LF alone when the
// content up to its tenth LF holds an LF and no CR (a file edited with a Linux editor);
// otherwise a line ends at CR or CR LF and a lone LF stays inside its line. A last line
// without terminator counts, an empty content has no lines; lines 0-9 fill slots 0-9,
// further lines are ignored, and slots past the last line keep their previous text.
// Every other byte, NUL included, is part of a target.
void applySettingsContent(std::string_view content, Targets& targets);

// The file content that stores `targets`: each one, unchanged, followed by CR LF.
std::string formatSettingsContent(const Targets& targets);

// Whether `content` holds ten complete lines, so that nothing after them is needed.
bool holdsTenLines(std::string_view content);

} // namespace purgix::settings
