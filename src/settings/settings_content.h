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

// Applies the settings file's content to `targets`. Lines end at CR or CR LF (a lone LF
// stays inside its line, a last line without terminator counts, an empty content has no
// lines); lines 0-9 fill slots 0-9, further lines are ignored, and slots past the last
// line keep their previous text. Every other byte, NUL included, is part of a target.
void applySettingsContent(std::string_view content, Targets& targets);

// The file content that stores `targets`: each one, unchanged, followed by CR LF.
std::string formatSettingsContent(const Targets& targets);

// How many lines of `content` are complete, that is, closed by a terminator.
std::size_t countCompleteLines(std::string_view content);

} // namespace purgix::settings
