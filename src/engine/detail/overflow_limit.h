#pragma once

#include "core/targets.h"

#include <array>
#include <cstdint>
#include <optional>

namespace purgix::engine {

// Line counts are 16-bit signed: a run that removes more lines than this overflows.
inline constexpr std::uint64_t kMaxLineCount = 32767;

using SlotCounts = std::array<std::uint64_t, kTargetCount>;

// The slot at which a run that applied the slots one after the other would overflow:
// the first non-empty slot where the running total of dropped lines passes the limit.
// `dropped` counts each dropped line for the lowest slot that matches it, which is
// what that slot's own pass would have found.
std::optional<int> findOverflowSlot(const SlotCounts& dropped, const Targets& slots);

// The slots before `end`, the rest emptied.
Targets slotsBefore(const Targets& slots, int end);

bool allSlotsEmpty(const Targets& slots);

// The lines dropped for the non-empty slots of `slots`.
std::uint64_t droppedLines(const SlotCounts& dropped, const Targets& slots);

} // namespace purgix::engine
