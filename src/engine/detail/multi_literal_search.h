#pragma once

#include "core/targets.h"
#include "engine/detail/literal_scan.h"
#include "engine/detail/long_text_matcher.h"

#include <algorithm>
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

// Texts up to this long are compared in full at each candidate, with two word loads.
inline constexpr std::size_t kLongTextLength = 16;

// A set of texts searched for together: a scan picks candidate positions for all of them
// at once, and each candidate is then compared, a short text in full, a long one by a
// matcher that never compares a byte twice. The long texts' matchers remember the bytes
// they compared: calls go forward through one range, and forgetText() tells them that the
// bytes changed.
class LiteralSet
{
public:
    // Empty slots are not searched for. A kernel this processor lacks falls back to Portable.
    LiteralSet(const Targets& slots, SearchKernel kernel);

    bool empty() const { return m_needles.empty(); }
    std::size_t longestLength() const { return m_longest; }

    // The earliest position in [begin, end) where a text occurs wholly inside the range;
    // of the texts found there, the one with the lowest slot. Reads up to kSearchOverread
    // bytes past `end`, as lowestSlotIn does.
    std::optional<LiteralMatch> find(const char* begin, const char* end);

    // The lowest slot whose text occurs wholly inside [begin, end), or `atMost` when it
    // is lower: a caller that already knows one slot in a line asks for any lower one.
    int lowestSlotIn(const char* begin, const char* end, int atMost);

    // The bytes of the ranges searched so far changed (the buffer was refilled).
    void forgetText();

private:
    static constexpr int kBucketCount = 8;
    static constexpr std::size_t kNoMatcher = static_cast<std::size_t>(-1);

    struct Needle
    {
        int slot;
        std::size_t length;
        std::size_t firstLine;            // index into m_storage
        std::size_t matcher = kNoMatcher; // index into m_longTexts for a long text
    };
    // glibc's memcmp slows down sharply when one side sits near the end of a page, so
    // every text starts on a cache line of its own.
    struct alignas(64) CacheLine
    {
        char bytes[64];
    };

    void storeNeedles(const Targets& slots);
    void planScan();
    void chooseScan(SearchKernel kernel);
    const char* needleBytes(const Needle& needle) const;
    bool occursAt(const Needle& needle, const char* position, const char* end);
    const char* firstPossibleLongStart(const char* from) const;
    int slotAt(const char* position, unsigned bucketBits, const char* end);

    std::vector<CacheLine> m_storage;
    std::vector<Needle> m_needles; // in slot order
    std::vector<LongTextMatcher> m_longTexts;
    bool m_onlyLongTexts = false;
    std::size_t m_longest = 0;
    int m_lowestSlot = 0;
    ScanPlan m_plan;
    CandidateScan m_scan = scanFirstBytes;
    // Per bucket, the bit set of indices into m_needles.
    std::array<std::uint16_t, kBucketCount> m_bucketNeedles{};
};

// Finds the texts of up to ten slots in a byte range in one pass, in time linear in the
// range whatever the texts' lengths. Short texts and long ones are searched as two sets:
// where lines nearly repeat a long text, its candidates are everywhere, and its own set
// can skip them once its matcher has ruled them out.
class MultiLiteralSearch
{
public:
    // Empty slots are not searched for. A kernel this processor lacks falls back to
    // Portable.
    explicit MultiLiteralSearch(const Targets& slots, SearchKernel kernel = SearchKernel::Best);

    static bool isAvailable(SearchKernel kernel);

    bool empty() const { return m_short.empty() && m_long.empty(); }
    std::size_t longestLength() const
    {
        return std::max(m_short.longestLength(), m_long.longestLength());
    }

    // The earliest position in [begin, end) where a text occurs wholly inside the range;
    // of the texts found there, the one with the lowest slot. Reads up to kSearchOverread
    // bytes past `end`, as lowestSlotIn does.
    std::optional<LiteralMatch> find(const char* begin, const char* end);

    // The lowest slot whose text occurs wholly inside [begin, end), or `atMost` when it
    // is lower: a caller that already knows one slot in a line asks for any lower one.
    int lowestSlotIn(const char* begin, const char* end, int atMost);

    // The bytes of the ranges searched so far changed (the buffer was refilled).
    void forgetText() { m_long.forgetText(); }

private:
    LiteralSet m_short;
    LiteralSet m_long;
};

} // namespace purgix::engine
