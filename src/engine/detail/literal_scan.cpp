#include "engine/detail/literal_scan.h"

#include <cstring>

namespace purgix::engine {

Candidates scanFirstByte(const ScanPlan& plan, const char* begin, const char* end,
                         std::uint8_t* /*buckets*/)
{
    const void* found = std::memchr(begin, plan.first, static_cast<std::size_t>(end - begin));
    if (found == nullptr) {
        return {};
    }
    return {static_cast<const char*>(found), 1, 1};
}

Candidates scanFirstBytes(const ScanPlan& plan, const char* begin, const char* end,
                          std::uint8_t* buckets)
{
    for (const char* step = begin; step < end; ++step) {
        buckets[0] = plan.firstByteBuckets[static_cast<unsigned char>(*step)];
        if (buckets[0] != 0) {
            return {step, 1, 1};
        }
    }
    return {};
}

} // namespace purgix::engine
