#pragma once

#include <array>
#include <string>
#include <string_view>

namespace purgix {

// How many target strings the program keeps, searches for and shows.
inline constexpr int kTargetCount = 10;

// The targets as bytes, in slot order. An empty string marks a slot not in use; any other
// text, spaces included, is searched for unchanged.
using Targets = std::array<std::string, kTargetCount>;

// What every target slot holds before any settings file has been written.
inline constexpr std::string_view kStartUpTarget = "127.0.0.1";

} // namespace purgix
