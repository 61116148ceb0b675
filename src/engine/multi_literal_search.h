#pragma once

#include "literal_scan.h"
#include "target_slots.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace purgix::engine {

struct LiteralMatch
{
    const char* position = nullptr;
    int slot = 0;
};

// How candidates are found: the widest vector scan the processor has, a chosen one, or
// plain C++ (memchr and a table of first bytes).
enum class SearchKernel { Best, Avx2, Ssse3, Portable };

// Finds the texts of up to ten slots in a byte range in one pass. A scan picks candidate
// positions for all texts at once; each candidate is then compared in full.
class MultiLiteralSearch
{
public:
    // Empty slots are not searched for, nor are slots holding a CR: no line contains one.
    // A kernel this processor lacks falls back to Portable.
    explicit MultiLiteralSearch(const TargetSlots& slots, SearchKernel kernel = SearchKernel::Best);

    static bool isAvailable(SearchKernel kernel);

    bool empty() const { return m_needles.empty(); }
    std::size_t longestLength() const { return m_longest; }

    // The earliest position in [begin, end) where a text occurs wholly inside the range;
    // of the texts found there, the one with the lowest slot. Reads up to kSearchOverread
    // bytes past `end`, as lowestSlotIn does.
    std::optional<LiteralMatch> find(const char* begin, const char* end) const;

    // The lowest slot whose text occurs wholly inside [begin, end), or `atMost` when it
    // is lower: a caller that already knows one slot in a line asks for any lower one.
    int lowestSlotIn(const char* begin, const char* end, int atMost) const;

private:
    static constexpr int kBucketCount = 8;

    struct Needle
    {
        int slot;
        std::size_t length;
        std::size_t firstLine; // index into m_storage
    };
    // glibc's memcmp slows down sharply when one side sits near the end of a page, so
    // every text starts on a cache line of its own.
    struct alignas(64) CacheLine
    {
        char bytes[64];
    };

    void storeNeedles(const TargetSlots& slots);
    void planScan();
    void chooseScan(SearchKernel kernel);
    const char* needleBytes(const Needle& needle) const;
    int slotAt(const char* position, unsigned bucketBits, const char* end) const;

    std::vector<CacheLine> m_storage;
    std::vector<Needle> m_needles; // in slot order
    std::size_t m_longest = 0;
    int m_lowestSlot = 0;
    ScanPlan m_plan;
    CandidateScan m_scan = scanFirstBytes;
    // Per bucket, the bit set of indices into m_needles.
    std::array<std::uint16_t, kBucketCount> m_bucketNeedles{};
};

} // namespace purgix::engine
