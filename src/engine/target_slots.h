#pragma once

#include <array>
#include <string>

namespace purgix::engine {

inline constexpr int kSlotCount = 10;

// The ten target slots as encoded bytes. An empty string marks a slot not in use;
// any other text, spaces included, is searched for unchanged.
using TargetSlots = std::array<std::string, kSlotCount>;

} // namespace purgix::engine
