// Compiled with -mavx2: see CMakeLists.txt.
#include "engine/detail/literal_scan_vector.h"

#include <immintrin.h>

namespace purgix::engine {

namespace {

struct Avx2
{
    using Vector = __m256i;
    static constexpr int kWidth = 32;

    static Vector load(const char* at)
    {
        return _mm256_loadu_si256(reinterpret_cast<const Vector*>(at));
    }
    // Byte shuffles look up within each 16-byte half, so both halves hold the table.
    static Vector table(const std::uint8_t* bytes)
    {
        return _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
    }
    static Vector splat(char byte) { return _mm256_set1_epi8(byte); }
    static Vector ones() { return _mm256_set1_epi8(-1); }
    static Vector both(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector lowNibbles(Vector bytes)
    {
        return _mm256_and_si256(bytes, _mm256_set1_epi8(0x0F));
    }
    static Vector highNibbles(Vector bytes)
    {
        return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(0x0F));
    }
    static Vector lookup(Vector table, Vector indices)
    {
        return _mm256_shuffle_epi8(table, indices);
    }
    static std::uint32_t equalLanes(Vector a, Vector b)
    {
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, b)));
    }
    static std::uint32_t nonZeroLanes(Vector v) { return ~equalLanes(v, _mm256_setzero_si256()); }
    static void store(std::uint8_t* out, Vector v)
    {
        _mm256_storeu_si256(reinterpret_cast<Vector*>(out), v);
    }
};

} // namespace

Candidates scanNibbles256(const ScanPlan& plan, const char* begin, const char* end,
                          std::uint8_t* buckets)
{
    return scanNibblesAnyWidth<Avx2>(plan, begin, end, buckets);
}

Candidates scanPair256(const ScanPlan& plan, const char* begin, const char* end,
                       std::uint8_t* /*buckets*/)
{
    return scanPair<Avx2>(plan, begin, end);
}

} // namespace purgix::engine
