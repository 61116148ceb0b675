// Compiled with -mssse3: see CMakeLists.txt.
#include "engine/detail/literal_scan_vector.h"

#include <tmmintrin.h>

namespace purgix::engine {

namespace {

struct Ssse3
{
    using Vector = __m128i;
    static constexpr int kWidth = 16;

    static Vector load(const char* at)
    {
        return _mm_loadu_si128(reinterpret_cast<const Vector*>(at));
    }
    static Vector table(const std::uint8_t* bytes)
    {
        return _mm_loadu_si128(reinterpret_cast<const Vector*>(bytes));
    }
    static Vector splat(char byte) { return _mm_set1_epi8(byte); }
    static Vector ones() { return _mm_set1_epi8(-1); }
    static Vector both(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector lowNibbles(Vector bytes) { return _mm_and_si128(bytes, _mm_set1_epi8(0x0F)); }
    static Vector highNibbles(Vector bytes)
    {
        return _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F));
    }
    static Vector lookup(Vector table, Vector indices) { return _mm_shuffle_epi8(table, indices); }
    static std::uint32_t equalLanes(Vector a, Vector b)
    {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
    }
    static std::uint32_t nonZeroLanes(Vector v)
    {
        return ~equalLanes(v, _mm_setzero_si128()) & 0xFFFFu;
    }
    static void store(std::uint8_t* out, Vector v)
    {
        _mm_storeu_si128(reinterpret_cast<Vector*>(out), v);
    }
};

} // namespace

Candidates scanNibbles128(const ScanPlan& plan, const char* begin, const char* end,
                          std::uint8_t* buckets)
{
    return scanNibblesAnyWidth<Ssse3>(plan, begin, end, buckets);
}

Candidates scanPair128(const ScanPlan& plan, const char* begin, const char* end,
                       std::uint8_t* /*buckets*/)
{
    return scanPair<Ssse3>(plan, begin, end);
}

} // namespace purgix::engine
