#pragma once

#include <cstddef>
#include <cstdint>

// Candidate scans: the fast first stage of the literal search. A scan reports the first
// step of positions where a text may start; the search then compares the texts in full.
namespace purgix::engine {

inline constexpr int kMaxFingerprint = 3;

// Bytes a scan may read past the end of the range it is given (never using them):
// callers keep that much readable memory after every range they pass in.
inline constexpr std::size_t kSearchOverread = 64;

// What a scan looks for: up to eight buckets of texts, told apart by their first
// `fingerprint` bytes, or, for a single text, its first and last bytes.
struct ScanPlan
{
    // Per fingerprint byte, the buckets whose texts allow each low and high nibble value.
    std::uint8_t lowNibbles[kMaxFingerprint][16] = {};
    std::uint8_t highNibbles[kMaxFingerprint][16] = {};
    int fingerprint = 1;
    // Per byte value, the buckets whose texts start with it.
    std::uint8_t firstByteBuckets[256] = {};
    char first = 0;
    char last = 0;
    std::size_t lastOffset = 0;
};

// The first step of positions holding candidates. Small enough to come back in registers.
struct Candidates
{
    const char* step;    // null when no position before the end is a candidate
    std::uint32_t lanes; // bit i: a text may start at step + i
    std::uint32_t width; // positions in the step
};

// Scans the positions [begin, end), reading up to kSearchOverread bytes past `end`. Nibble
// scans also store, per lane, the buckets of the texts that may start there into
// `buckets` (32 bytes).
using CandidateScan = Candidates (*)(const ScanPlan& plan, const char* begin, const char* end,
                                     std::uint8_t* buckets);

// Portable scans: a single text's first byte (memchr), or a table of first bytes.
// Scans for a single text report no buckets: it is in bucket 0.
Candidates scanFirstByte(const ScanPlan& plan, const char* begin, const char* end,
                         std::uint8_t* buckets);
Candidates scanFirstBytes(const ScanPlan& plan, const char* begin, const char* end,
                          std::uint8_t* buckets);

#if defined(__x86_64__)
// Vector scans, 16 positions a step (SSSE3) or 32 (AVX2): nibble lookups of the leading
// bytes for several texts; first and last byte compared at once for a single text.
Candidates scanNibbles128(const ScanPlan& plan, const char* begin, const char* end,
                          std::uint8_t* buckets);
Candidates scanNibbles256(const ScanPlan& plan, const char* begin, const char* end,
                          std::uint8_t* buckets);
Candidates scanPair128(const ScanPlan& plan, const char* begin, const char* end,
                       std::uint8_t* buckets);
Candidates scanPair256(const ScanPlan& plan, const char* begin, const char* end,
                       std::uint8_t* buckets);
#endif

} // namespace purgix::engine
