#include "engine/detail/multi_literal_search.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace purgix::engine {

namespace {

bool isSearchable(std::string_view text)
{
    return !text.empty();
}

template <typename Word> bool sameWord(const char* a, const char* b)
{
    Word left;
    Word right;
    std::memcpy(&left, a, sizeof(Word));
    std::memcpy(&right, b, sizeof(Word));
    return left == right;
}

// Compares short texts with two overlapping word loads instead of a call to memcmp:
// most texts are short, and a candidate is compared at every match.
bool sameBytes(const char* a, const char* b, std::size_t length)
{
    if (length >= 8 && length <= 16) {
        return sameWord<std::uint64_t>(a, b) &&
               sameWord<std::uint64_t>(a + length - 8, b + length - 8);
    }
    if (length >= 4 && length < 8) {
        return sameWord<std::uint32_t>(a, b) &&
               sameWord<std::uint32_t>(a + length - 4, b + length - 4);
    }
    if (length >= 2 && length < 4) {
        return sameWord<std::uint16_t>(a, b) &&
               sameWord<std::uint16_t>(a + length - 2, b + length - 2);
    }
    return std::memcmp(a, b, length) == 0;
}

SearchKernel resolve(SearchKernel kernel)
{
    if (kernel == SearchKernel::Best) {
        for (const SearchKernel widest : {SearchKernel::Avx2, SearchKernel::Ssse3}) {
            if (MultiLiteralSearch::isAvailable(widest)) {
                return widest;
            }
        }
    }
    return MultiLiteralSearch::isAvailable(kernel) ? kernel : SearchKernel::Portable;
}

// The slots whose texts are long (`wantLong`) or short, the others emptied.
Targets slotsOfLength(const Targets& slots, bool wantLong)
{
    Targets result;
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if ((slots[slot].size() > kLongTextLength) == wantLong) {
            result[slot] = slots[slot];
        }
    }
    return result;
}

} // namespace

LiteralSet::LiteralSet(const Targets& slots, SearchKernel kernel)
{
    storeNeedles(slots);
    planScan();
    chooseScan(kernel);
}

bool MultiLiteralSearch::isAvailable(SearchKernel kernel)
{
    switch (kernel) {
#if defined(__x86_64__)
    case SearchKernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case SearchKernel::Ssse3:
        return __builtin_cpu_supports("ssse3");
#endif
    case SearchKernel::Best:
    case SearchKernel::Portable:
        return true;
    default:
        return false;
    }
}

void LiteralSet::storeNeedles(const Targets& slots)
{
    const auto linesFor = [](std::size_t length) { return (length + 63) / 64; };
    std::size_t lineCount = 0;
    for (const std::string& text : slots) {
        lineCount += isSearchable(text) ? linesFor(text.size()) : 0;
    }
    m_storage.resize(lineCount);
    std::size_t nextLine = 0;
    for (int slot = 0; slot < kTargetCount; ++slot) {
        const std::string& text = slots[static_cast<std::size_t>(slot)];
        if (!isSearchable(text)) {
            continue;
        }
        std::memcpy(m_storage[nextLine].bytes, text.data(), text.size());
        Needle needle{slot, text.size(), nextLine};
        if (text.size() > kLongTextLength) {
            needle.matcher = m_longTexts.size();
            m_longTexts.emplace_back(text);
        }
        m_needles.push_back(needle);
        nextLine += linesFor(text.size());
        m_longest = std::max(m_longest, text.size());
    }
    m_lowestSlot = m_needles.empty() ? 0 : m_needles.front().slot;
    m_onlyLongTexts = !m_needles.empty() && m_longTexts.size() == m_needles.size();
}

void LiteralSet::planScan()
{
    std::size_t shortest = m_longest;
    for (const Needle& needle : m_needles) {
        shortest = std::min(shortest, needle.length);
    }
    m_plan.fingerprint = static_cast<int>(std::clamp<std::size_t>(shortest, 1, kMaxFingerprint));
    for (std::size_t index = 0; index < m_needles.size(); ++index) {
        const std::size_t bucket = index % kBucketCount;
        const auto bucketBit = static_cast<std::uint8_t>(1u << bucket);
        const char* bytes = needleBytes(m_needles[index]);
        m_bucketNeedles[bucket] |= static_cast<std::uint16_t>(1u << index);
        m_plan.firstByteBuckets[static_cast<unsigned char>(bytes[0])] |= bucketBit;
        for (int k = 0; k < m_plan.fingerprint; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[k]);
            m_plan.lowNibbles[k][byte & 0x0Fu] |= bucketBit;
            m_plan.highNibbles[k][byte >> 4] |= bucketBit;
        }
    }
    if (m_needles.size() == 1) {
        const Needle& single = m_needles.front();
        m_plan.first = needleBytes(single)[0];
        m_plan.lastOffset = single.length - 1;
        m_plan.last = needleBytes(single)[m_plan.lastOffset];
    }
}

void LiteralSet::chooseScan(SearchKernel kernel)
{
    const bool single = m_needles.size() == 1;
    // memchr is as fast as any scan for a single byte.
    if (single && m_longest == 1) {
        m_scan = scanFirstByte;
        return;
    }
    switch (resolve(kernel)) {
#if defined(__x86_64__)
    case SearchKernel::Avx2:
        m_scan = single ? scanPair256 : scanNibbles256;
        return;
    case SearchKernel::Ssse3:
        m_scan = single ? scanPair128 : scanNibbles128;
        return;
#endif
    default:
        m_scan = single ? scanFirstByte : scanFirstBytes;
        return;
    }
}

const char* LiteralSet::needleBytes(const Needle& needle) const
{
    return m_storage[needle.firstLine].bytes;
}

bool LiteralSet::occursAt(const Needle& needle, const char* position, const char* end)
{
    if (needle.matcher != kNoMatcher) {
        return m_longTexts[needle.matcher].startsAt(position, end);
    }
    return needle.length <= static_cast<std::size_t>(end - position) &&
           sameBytes(position, needleBytes(needle), needle.length);
}

int LiteralSet::slotAt(const char* position, unsigned bucketBits, const char* end)
{
    unsigned candidates = 0;
    for (; bucketBits != 0; bucketBits &= bucketBits - 1) {
        candidates |= m_bucketNeedles[static_cast<std::size_t>(std::countr_zero(bucketBits))];
    }
    // Needles are in slot order, so the first one that matches has the lowest slot.
    for (; candidates != 0; candidates &= candidates - 1) {
        const Needle& needle = m_needles[static_cast<std::size_t>(std::countr_zero(candidates))];
        if (occursAt(needle, position, end)) {
            return needle.slot;
        }
    }
    return -1;
}

std::optional<LiteralMatch> LiteralSet::find(const char* begin, const char* end)
{
    if (m_needles.empty()) {
        return std::nullopt;
    }
    // A single text sits in bucket 0; scans for it report no buckets.
    const bool single = m_needles.size() == 1;
    alignas(32) std::uint8_t buckets[32];
    for (const char* from = begin; from < end;) {
        from = firstPossibleLongStart(from);
        if (from >= end) {
            break;
        }
        const Candidates candidates = m_scan(m_plan, from, end, buckets);
        if (candidates.step == nullptr) {
            break;
        }
        for (std::uint32_t lanes = candidates.lanes; lanes != 0; lanes &= lanes - 1) {
            const int lane = std::countr_zero(lanes);
            const char* position = candidates.step + lane;
            if (position >= end) {
                return std::nullopt;
            }
            const int slot = slotAt(position, single ? 1u : buckets[lane], end);
            if (slot >= 0) {
                return LiteralMatch{position, slot};
            }
        }
        from = candidates.step + candidates.width;
    }
    return std::nullopt;
}

// Where the scan for candidates may go on from: when every text is long, their matchers
// may already know that none of them starts for a while, and the candidates there need
// not be looked at (where lines nearly repeat the texts, that is nearly every position).
const char* LiteralSet::firstPossibleLongStart(const char* from) const
{
    if (!m_onlyLongTexts) {
        return from;
    }
    const char* earliest = m_longTexts.front().knownStartFrom(from);
    for (const LongTextMatcher& matcher : m_longTexts) {
        earliest = std::min(earliest, matcher.knownStartFrom(from));
    }
    return earliest;
}

int LiteralSet::lowestSlotIn(const char* begin, const char* end, int atMost)
{
    int lowest = atMost;
    while (lowest > m_lowestSlot) {
        const std::optional<LiteralMatch> match = find(begin, end);
        if (!match) {
            break;
        }
        lowest = std::min(lowest, match->slot);
        begin = match->position + 1;
    }
    return lowest;
}

void LiteralSet::forgetText()
{
    for (LongTextMatcher& matcher : m_longTexts) {
        matcher.forget();
    }
}

MultiLiteralSearch::MultiLiteralSearch(const Targets& slots, SearchKernel kernel)
    : m_short(slotsOfLength(slots, false), kernel), m_long(slotsOfLength(slots, true), kernel)
{
}

std::optional<LiteralMatch> MultiLiteralSearch::find(const char* begin, const char* end)
{
    const std::optional<LiteralMatch> shortMatch = m_short.find(begin, end);
    if (m_long.empty()) {
        return shortMatch;
    }
    // A long text that starts before the short match ends before this.
    const char* longEnd = end;
    if (shortMatch &&
        end - shortMatch->position > static_cast<std::ptrdiff_t>(m_long.longestLength())) {
        longEnd = shortMatch->position + m_long.longestLength();
    }
    const std::optional<LiteralMatch> longMatch = m_long.find(begin, longEnd);
    if (!longMatch || (shortMatch && (shortMatch->position < longMatch->position ||
                                      (shortMatch->position == longMatch->position &&
                                       shortMatch->slot < longMatch->slot)))) {
        return shortMatch;
    }
    return longMatch;
}

int MultiLiteralSearch::lowestSlotIn(const char* begin, const char* end, int atMost)
{
    return m_long.lowestSlotIn(begin, end, m_short.lowestSlotIn(begin, end, atMost));
}

} // namespace purgix::engine
