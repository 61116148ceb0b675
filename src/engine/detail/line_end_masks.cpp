#include "engine/detail/line_end_masks.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <bit>

namespace purgix::engine {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Where the CRs and LFs are among 64 bytes: bit i stands for at[i].
struct Masks
{
    std::uint64_t crs = 0;
    std::uint64_t lfs = 0;
};

// The baseline has no popcount instruction: count by clearing the lowest bit, as line ends
// are few among 64 bytes.
std::uint64_t bitCount(std::uint64_t bits)
{
    std::uint64_t count = 0;
    for (; bits != 0; bits &= bits - 1) {
        ++count;
    }
    return count;
}

struct PortableMasks
{
    static std::uint64_t count(std::uint64_t bits) { return bitCount(bits); }
    static Masks at(const char* bytes)
    {
        Masks masks;
        for (int i = 0; i < 64; ++i) {
            masks.crs |= static_cast<std::uint64_t>(bytes[i] == kCr) << i;
            masks.lfs |= static_cast<std::uint64_t>(bytes[i] == kLf) << i;
        }
        return masks;
    }
};

#if defined(__x86_64__)
struct Sse2Masks
{
    static std::uint64_t count(std::uint64_t bits) { return bitCount(bits); }
    static Masks at(const char* bytes)
    {
        Masks masks;
        for (int part = 0; part < 4; ++part) {
            const __m128i lanes =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
            masks.crs |= bitsOf(_mm_cmpeq_epi8(lanes, _mm_set1_epi8(kCr))) << (16 * part);
            masks.lfs |= bitsOf(_mm_cmpeq_epi8(lanes, _mm_set1_epi8(kLf))) << (16 * part);
        }
        return masks;
    }
    static std::uint64_t bitsOf(__m128i lanes)
    {
        return static_cast<unsigned>(_mm_movemask_epi8(lanes));
    }
};

struct Avx2Masks
{
    __attribute__((target("avx2,popcnt"))) static std::uint64_t count(std::uint64_t bits)
    {
        return static_cast<std::uint64_t>(__builtin_popcountll(bits));
    }
    __attribute__((target("avx2"))) static Masks at(const char* bytes)
    {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32));
        const __m256i cr = _mm256_set1_epi8(kCr);
        const __m256i lf = _mm256_set1_epi8(kLf);
        return {bitsOf(_mm256_cmpeq_epi8(low, cr)) | bitsOf(_mm256_cmpeq_epi8(high, cr)) << 32,
                bitsOf(_mm256_cmpeq_epi8(low, lf)) | bitsOf(_mm256_cmpeq_epi8(high, lf)) << 32};
    }
    __attribute__((target("avx2"))) static std::uint64_t bitsOf(__m256i lanes)
    {
        return static_cast<unsigned>(_mm256_movemask_epi8(lanes));
    }
};
#endif

template <typename Source>
[[gnu::always_inline]] inline const char* tallySteps(const char* cursor, const char* end,
                                                     LineEndTally& tally)
{
    for (; end - cursor > 64; cursor += 64) {
        const Masks masks = Source::at(cursor);
        const std::uint64_t lfAfter = (masks.lfs >> 1) | (std::uint64_t{cursor[64] == kLf} << 63);
        tally.crs += Source::count(masks.crs);
        tally.lfs += Source::count(masks.lfs);
        tally.pairs += Source::count(masks.crs & lfAfter);
    }
    return cursor;
}

template <typename Source>
[[gnu::always_inline]] inline const char* loneSteps(const char* cursor, const char* end,
                                                    bool crBefore, const char*& resume)
{
    for (; end - cursor > 64; cursor += 64) {
        const Masks masks = Source::at(cursor);
        const std::uint64_t lfAfter = (masks.lfs >> 1) | (std::uint64_t{cursor[64] == kLf} << 63);
        const std::uint64_t crBeforeBits = (masks.crs << 1) | std::uint64_t{crBefore};
        if (const std::uint64_t lone = (masks.crs & ~lfAfter) | (masks.lfs & ~crBeforeBits)) {
            return cursor + std::countr_zero(lone);
        }
        crBefore = (masks.crs >> 63) != 0;
    }
    resume = cursor;
    return nullptr;
}

#if defined(__x86_64__)
__attribute__((target("avx2,popcnt"))) const char* tallyAvx2(const char* begin, const char* end,
                                                             LineEndTally& tally)
{
    return tallySteps<Avx2Masks>(begin, end, tally);
}

__attribute__((target("avx2"))) const char* loneAvx2(const char* begin, const char* end,
                                                     bool crBefore, const char*& resume)
{
    return loneSteps<Avx2Masks>(begin, end, crBefore, resume);
}

bool hasAvx2()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
using WidestMasks = Sse2Masks;
#else
using WidestMasks = PortableMasks;
#endif

} // namespace

const char* tallyLineEnds(const char* begin, const char* end, LineEndTally& tally)
{
#if defined(__x86_64__)
    if (hasAvx2()) {
        return tallyAvx2(begin, end, tally);
    }
#endif
    return tallySteps<WidestMasks>(begin, end, tally);
}

const char* findLoneLineEndInSteps(const char* begin, const char* end, bool crBefore,
                                   const char*& resume)
{
#if defined(__x86_64__)
    if (hasAvx2()) {
        return loneAvx2(begin, end, crBefore, resume);
    }
#endif
    return loneSteps<WidestMasks>(begin, end, crBefore, resume);
}

} // namespace purgix::engine
