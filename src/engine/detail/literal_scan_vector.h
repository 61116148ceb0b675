#pragma once

// The vector scans as templates over the vector type. Only the two files that compile
// them for their instruction set include this; each instantiates it with its own type.

#include "engine/detail/literal_scan.h"

namespace purgix::engine {

template <typename Isa, int Fingerprint>
Candidates scanNibbles(const ScanPlan& plan, const char* begin, const char* end,
                       std::uint8_t* buckets)
{
    using Vector = typename Isa::Vector;
    Vector lowTables[Fingerprint];
    Vector highTables[Fingerprint];
    for (int k = 0; k < Fingerprint; ++k) {
        lowTables[k] = Isa::table(plan.lowNibbles[k]);
        highTables[k] = Isa::table(plan.highNibbles[k]);
    }
    for (const char* step = begin; step < end; step += Isa::kWidth) {
        // Per position, the buckets that all its fingerprint bytes allow.
        Vector allowed = Isa::ones();
        for (int k = 0; k < Fingerprint; ++k) {
            const Vector bytes = Isa::load(step + k);
            allowed = Isa::both(allowed, Isa::lookup(lowTables[k], Isa::lowNibbles(bytes)));
            allowed = Isa::both(allowed, Isa::lookup(highTables[k], Isa::highNibbles(bytes)));
        }
        if (const std::uint32_t lanes = Isa::nonZeroLanes(allowed); lanes != 0) {
            Isa::store(buckets, allowed);
            return {step, lanes, Isa::kWidth};
        }
    }
    return {};
}

template <typename Isa>
Candidates scanNibblesAnyWidth(const ScanPlan& plan, const char* begin, const char* end,
                               std::uint8_t* buckets)
{
    switch (plan.fingerprint) {
    case 1:
        return scanNibbles<Isa, 1>(plan, begin, end, buckets);
    case 2:
        return scanNibbles<Isa, 2>(plan, begin, end, buckets);
    default:
        return scanNibbles<Isa, 3>(plan, begin, end, buckets);
    }
}

template <typename Isa>
Candidates scanPair(const ScanPlan& plan, const char* begin, const char* end)
{
    // Only positions where the whole text fits before `end` are looked at.
    if (end - begin <= static_cast<std::ptrdiff_t>(plan.lastOffset)) {
        return {};
    }
    const char* limit = end - plan.lastOffset;
    const typename Isa::Vector first = Isa::splat(plan.first);
    const typename Isa::Vector last = Isa::splat(plan.last);
    for (const char* step = begin; step < limit; step += Isa::kWidth) {
        const std::uint32_t lanes = Isa::equalLanes(Isa::load(step), first) &
                                    Isa::equalLanes(Isa::load(step + plan.lastOffset), last);
        if (lanes != 0) {
            return {step, lanes, Isa::kWidth};
        }
    }
    return {};
}

} // namespace purgix::engine
