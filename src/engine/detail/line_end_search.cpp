#include "engine/detail/line_end_search.h"

#include "engine/detail/line_end_masks.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstddef>

namespace purgix::engine {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

bool isLineEnd(char byte)
{
    return byte == kCr || byte == kLf;
}

bool isLoneAt(const char* at, const char* begin, const char* end)
{
    if (*at == kCr) {
        return at + 1 == end || at[1] != kLf;
    }
    return *at == kLf && (at == begin || at[-1] != kCr);
}

#if defined(__SSE2__)
// Bit i set where at[i] is a CR or an LF, for 16 bytes.
unsigned lineEndMask(const char* at)
{
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(here, _mm_set1_epi8(kCr)), _mm_cmpeq_epi8(here, _mm_set1_epi8(kLf)))));
}
#endif

} // namespace

const char* findLineEnd(const char* begin, const char* end)
{
    const char* cursor = begin;
#if defined(__SSE2__)
    for (; end - cursor >= 16; cursor += 16) {
        if (const unsigned mask = lineEndMask(cursor); mask != 0) {
            return cursor + std::countr_zero(mask);
        }
    }
#endif
    for (; cursor != end; ++cursor) {
        if (isLineEnd(*cursor)) {
            return cursor;
        }
    }
    return nullptr;
}

const char* findLastLineEnd(const char* begin, const char* end)
{
    const char* cursor = end;
#if defined(__SSE2__)
    for (; cursor - begin >= 16; cursor -= 16) {
        if (const unsigned mask = lineEndMask(cursor - 16); mask != 0) {
            return cursor - 16 + (31 - std::countl_zero(mask));
        }
    }
#endif
    while (cursor != begin) {
        if (isLineEnd(*--cursor)) {
            return cursor;
        }
    }
    return nullptr;
}

const char* findLoneLineEnd(const char* begin, const char* end)
{
    if (begin == end) {
        return nullptr;
    }
    if (isLoneAt(begin, begin, end)) {
        return begin;
    }
    const char* cursor = begin + 1;
    if (const char* lone = findLoneLineEndInSteps(cursor, end, *begin == kCr, cursor)) {
        return lone;
    }
    for (; cursor != end; ++cursor) {
        if (isLoneAt(cursor, begin, end)) {
            return cursor;
        }
    }
    return nullptr;
}

} // namespace purgix::engine
