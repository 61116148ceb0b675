#include "multi_literal_search.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace purgix::engine {

namespace {

bool isSearchable(std::string_view text)
{
    return !text.empty() && text.find('\r') == std::string_view::npos;
}

} // namespace

MultiLiteralSearch::MultiLiteralSearch(const TargetSlots& slots,
                                       [[maybe_unused]] SearchKernel kernel)
{
    storeNeedles(slots);
    buildFingerprint();
#if defined(__x86_64__)
    m_useVector = kernel == SearchKernel::Best && __builtin_cpu_supports("ssse3");
#endif
}

void MultiLiteralSearch::storeNeedles(const TargetSlots& slots)
{
    const auto linesFor = [](std::size_t length) { return (length + 63) / 64; };
    std::size_t lineCount = 0;
    for (const std::string& text : slots) {
        lineCount += isSearchable(text) ? linesFor(text.size()) : 0;
    }
    m_storage.resize(lineCount);
    std::size_t nextLine = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::string& text = slots[static_cast<std::size_t>(slot)];
        if (!isSearchable(text)) {
            continue;
        }
        std::memcpy(m_storage[nextLine].bytes, text.data(), text.size());
        m_needles.push_back({slot, text.size(), nextLine});
        nextLine += linesFor(text.size());
        m_longest = std::max(m_longest, text.size());
    }
    m_lowestSlot = m_needles.empty() ? 0 : m_needles.front().slot;
}

void MultiLiteralSearch::buildFingerprint()
{
    std::size_t shortest = m_longest;
    for (const Needle& needle : m_needles) {
        shortest = std::min(shortest, needle.length);
    }
    m_fingerprint = static_cast<int>(std::min<std::size_t>(shortest, kMaxFingerprint));
    for (std::size_t index = 0; index < m_needles.size(); ++index) {
        const int bucket = static_cast<int>(index % kBucketCount);
        const auto bucketBit = static_cast<std::uint8_t>(1u << bucket);
        const char* bytes = needleBytes(m_needles[index]);
        m_bucketNeedles[static_cast<std::size_t>(bucket)] |=
            static_cast<std::uint16_t>(1u << index);
        m_firstByteBuckets[static_cast<unsigned char>(bytes[0])] |= bucketBit;
        for (int k = 0; k < m_fingerprint; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[k]);
            m_lowNibbles[static_cast<std::size_t>(k)][byte & 0x0Fu] |= bucketBit;
            m_highNibbles[static_cast<std::size_t>(k)][byte >> 4] |= bucketBit;
        }
    }
}

const char* MultiLiteralSearch::needleBytes(const Needle& needle) const
{
    return m_storage[needle.firstLine].bytes;
}

int MultiLiteralSearch::slotAt(const char* position, unsigned bucketBits, const char* end) const
{
    unsigned candidates = 0;
    for (; bucketBits != 0; bucketBits &= bucketBits - 1) {
        candidates |= m_bucketNeedles[static_cast<std::size_t>(std::countr_zero(bucketBits))];
    }
    const auto room = static_cast<std::size_t>(end - position);
    // Needles are in slot order, so the first one that matches has the lowest slot.
    for (; candidates != 0; candidates &= candidates - 1) {
        const Needle& needle = m_needles[static_cast<std::size_t>(std::countr_zero(candidates))];
        if (needle.length <= room &&
            std::memcmp(position, needleBytes(needle), needle.length) == 0) {
            return needle.slot;
        }
    }
    return -1;
}

std::optional<LiteralMatch> MultiLiteralSearch::find(const char* begin, const char* end) const
{
    if (m_needles.empty() || begin >= end) {
        return std::nullopt;
    }
#if defined(__x86_64__)
    if (m_useVector) {
        switch (m_fingerprint) {
        case 1:
            return findVector<1>(begin, end);
        case 2:
            return findVector<2>(begin, end);
        default:
            return findVector<3>(begin, end);
        }
    }
#endif
    return findPortable(begin, end);
}

std::optional<LiteralMatch> MultiLiteralSearch::findPortable(const char* begin,
                                                             const char* end) const
{
    for (const char* position = begin; position < end; ++position) {
        const unsigned buckets = m_firstByteBuckets[static_cast<unsigned char>(*position)];
        if (buckets == 0) {
            continue;
        }
        const int slot = slotAt(position, buckets, end);
        if (slot >= 0) {
            return LiteralMatch{position, slot};
        }
    }
    return std::nullopt;
}

#if defined(__x86_64__)
// Each byte of a 16-byte step is looked up by its two nibbles in per-position tables of
// bucket bits; AND-ing the lookups of the fingerprint bytes leaves, per position, the
// buckets whose texts may start there.
template <int Fingerprint>
__attribute__((target("ssse3"))) std::optional<LiteralMatch>
MultiLiteralSearch::findVector(const char* begin, const char* end) const
{
    const __m128i nibbleMask = _mm_set1_epi8(0x0F);
    __m128i lowTables[Fingerprint];
    __m128i highTables[Fingerprint];
    for (int k = 0; k < Fingerprint; ++k) {
        const auto index = static_cast<std::size_t>(k);
        lowTables[k] =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_lowNibbles[index].data()));
        highTables[k] =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_highNibbles[index].data()));
    }
    for (const char* step = begin; step < end; step += 16) {
        __m128i buckets = _mm_set1_epi8(-1);
        for (int k = 0; k < Fingerprint; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(step + k));
            const __m128i low = _mm_and_si128(bytes, nibbleMask);
            const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), nibbleMask);
            buckets = _mm_and_si128(buckets, _mm_shuffle_epi8(lowTables[k], low));
            buckets = _mm_and_si128(buckets, _mm_shuffle_epi8(highTables[k], high));
        }
        const __m128i none = _mm_cmpeq_epi8(buckets, _mm_setzero_si128());
        unsigned candidates = ~static_cast<unsigned>(_mm_movemask_epi8(none)) & 0xFFFFu;
        if (candidates == 0) {
            continue;
        }
        alignas(16) std::uint8_t bucketBits[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(bucketBits), buckets);
        for (; candidates != 0; candidates &= candidates - 1) {
            const int lane = std::countr_zero(candidates);
            const char* position = step + lane;
            if (position >= end) {
                return std::nullopt;
            }
            const int slot = slotAt(position, bucketBits[lane], end);
            if (slot >= 0) {
                return LiteralMatch{position, slot};
            }
        }
    }
    return std::nullopt;
}
#endif

int MultiLiteralSearch::lowestSlotIn(const char* begin, const char* end, int atMost) const
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

} // namespace purgix::engine
