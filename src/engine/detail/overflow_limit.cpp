#include "engine/detail/overflow_limit.h"

#include <algorithm>

namespace purgix::engine {

std::optional<int> findOverflowSlot(const SlotCounts& dropped, const Targets& slots)
{
    std::uint64_t total = 0;
    for (int slot = 0; slot < kTargetCount; ++slot) {
        if (slots[slot].empty()) {
            continue;
        }
        total += dropped[slot];
        if (total > kMaxLineCount) {
            return slot;
        }
    }
    return std::nullopt;
}

Targets slotsBefore(const Targets& slots, int end)
{
    Targets result;
    std::copy_n(slots.begin(), end, result.begin());
    return result;
}

bool allSlotsEmpty(const Targets& slots)
{
    return std::all_of(slots.begin(), slots.end(), [](const auto& slot) { return slot.empty(); });
}

std::uint64_t droppedLines(const SlotCounts& dropped, const Targets& slots)
{
    std::uint64_t total = 0;
    for (int slot = 0; slot < kTargetCount; ++slot) {
        if (!slots[slot].empty()) {
            total += dropped[slot];
        }
    }
    return total;
}

} // namespace purgix::engine
