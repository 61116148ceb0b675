#include "engine/line_ends.h"

#include "engine/detail/line_end_masks.h"

#include <cstddef>

namespace purgix::engine {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

using Tally = LineEndTally;

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
    tallyBytes(tallyLineEnds(begin, end, result), end, result);
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
