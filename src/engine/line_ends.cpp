#include "line_ends.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstddef>

namespace purgix::engine {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

struct Tally
{
    std::uint64_t crs = 0;
    std::uint64_t lfs = 0;
    std::uint64_t pairs = 0;
};

#if defined(__SSE2__)
// Per-lane byte counters, folded into 64-bit sums before a lane can wrap.
std::uint64_t sumLanes(__m128i counters)
{
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}

// Counts 16 positions a step; each position also looks at the byte after it, so the
// loop stops 16 bytes before the end.
const char* tallyVector(const char* cursor, const char* end, Tally& tally)
{
    const __m128i cr = _mm_set1_epi8(kCr);
    const __m128i lf = _mm_set1_epi8(kLf);
    while (end - cursor > 16) {
        __m128i crCount = _mm_setzero_si128();
        __m128i lfCount = _mm_setzero_si128();
        __m128i pairCount = _mm_setzero_si128();
        for (int step = 0; step < 255 && end - cursor > 16; ++step, cursor += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cursor));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cursor + 1));
            const __m128i isCr = _mm_cmpeq_epi8(here, cr);
            // A matching lane is all ones, -1: subtracting it counts one.
            crCount = _mm_sub_epi8(crCount, isCr);
            lfCount = _mm_sub_epi8(lfCount, _mm_cmpeq_epi8(here, lf));
            pairCount = _mm_sub_epi8(pairCount, _mm_and_si128(isCr, _mm_cmpeq_epi8(next, lf)));
        }
        tally.crs += sumLanes(crCount);
        tally.lfs += sumLanes(lfCount);
        tally.pairs += sumLanes(pairCount);
    }
    return cursor;
}
#endif

void tallyBytes(const char* cursor, const char* end, Tally& tally)
{
    for (; cursor != end; ++cursor) {
        if (*cursor == kCr) {
            ++tally.crs;
            tally.pairs += cursor + 1 != end && cursor[1] == kLf ? 1 : 0;
        } else if (*cursor == kLf) {
            ++tally.lfs;
        }
    }
}

Tally tally(const char* begin, const char* end)
{
    Tally result;
    const char* cursor = begin;
#if defined(__SSE2__)
    cursor = tallyVector(cursor, end, result);
#endif
    tallyBytes(cursor, end, result);
    return result;
}

LineEnds ruleFor(std::uint64_t crs, std::uint64_t lfs, std::uint64_t pairs)
{
    // Lone LFs against CR LF pairs plus lone CRs: (lfs - pairs) against crs.
    return lfs - pairs > crs ? LineEnds::Lf : LineEnds::CrLf;
}

} // namespace

void LineEndCounter::add(const char* begin, const char* end)
{
    if (begin == end) {
        return;
    }
    if (m_lastWasCr && *begin == kLf) {
        ++m_pairs;
    }
    const Tally counted = tally(begin, end);
    m_crs += counted.crs;
    m_lfs += counted.lfs;
    m_pairs += counted.pairs;
    m_lastWasCr = end[-1] == kCr;
}

LineEnds LineEndCounter::lineEnds() const
{
    return ruleFor(m_crs, m_lfs, m_pairs);
}

LineEnds lineEndsOf(const char* begin, const char* end)
{
    LineEndCounter counter;
    counter.add(begin, end);
    return counter.lineEnds();
}

} // namespace purgix::engine
