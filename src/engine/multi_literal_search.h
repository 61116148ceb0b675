#pragma once

#include "target_slots.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace purgix::engine {

// Bytes a search may read past the end of the range it is given (never using them):
// callers keep that much readable memory after every range they pass in.
inline constexpr std::size_t kSearchOverread = 32;

struct LiteralMatch
{
    const char* position = nullptr;
    int slot = 0;
};

// How the search runs: the vector kernel where the processor has one, else plain C++.
enum class SearchKernel { Best, Portable };

// Finds the texts of up to ten slots in a byte range in one pass. A vector filter picks
// candidate positions from the first bytes of every text at once (up to eight buckets
// of texts, 16 positions per step); each candidate is then compared in full.
class MultiLiteralSearch
{
public:
    // Empty slots are not searched for, nor are slots holding a CR: no line contains one.
    explicit MultiLiteralSearch(const TargetSlots& slots, SearchKernel kernel = SearchKernel::Best);

    bool empty() const { return m_needles.empty(); }
    std::size_t longestLength() const { return m_longest; }

    // The earliest position in [begin, end) where a text occurs wholly inside the range;
    // of the texts found there, the one with the lowest slot.
    std::optional<LiteralMatch> find(const char* begin, const char* end) const;

    // The lowest slot whose text occurs wholly inside [begin, end), or `atMost` when it
    // is lower: a caller that already knows one slot in a line asks for any lower one.
    int lowestSlotIn(const char* begin, const char* end, int atMost) const;

private:
    static constexpr int kBucketCount = 8;
    static constexpr int kMaxFingerprint = 3;

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
    using NibbleTable = std::array<std::uint8_t, 16>;

    void storeNeedles(const TargetSlots& slots);
    void buildFingerprint();
    const char* needleBytes(const Needle& needle) const;
    int slotAt(const char* position, unsigned bucketBits, const char* end) const;
    std::optional<LiteralMatch> findPortable(const char* begin, const char* end) const;
#if defined(__x86_64__)
    template <int Fingerprint>
    __attribute__((target("ssse3"))) std::optional<LiteralMatch> findVector(const char* begin,
                                                                            const char* end) const;
#endif

    std::vector<CacheLine> m_storage;
    std::vector<Needle> m_needles; // in slot order
    std::size_t m_longest = 0;
    int m_lowestSlot = 0;
    int m_fingerprint = 0; // leading bytes of every text that the filter looks at
    bool m_useVector = false;
    // Per fingerprint byte, the buckets whose texts allow that byte's low or high nibble.
    std::array<NibbleTable, kMaxFingerprint> m_lowNibbles{};
    std::array<NibbleTable, kMaxFingerprint> m_highNibbles{};
    // Per bucket, the bit set of indices into m_needles.
    std::array<std::uint16_t, kBucketCount> m_bucketNeedles{};
    // Per byte value, the buckets holding a text that starts with it (portable kernel).
    std::array<std::uint8_t, 256> m_firstByteBuckets{};
};

} // namespace purgix::engine
