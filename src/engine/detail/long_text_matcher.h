#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace purgix::engine {

// Tells whether a long text starts at candidate positions of one byte range, in time
// linear in the range over all its candidates. Comparing a long text in full at each
// candidate would compare the same bytes again and again where candidates are close
// (lines that nearly repeat the text); this matcher remembers how far it compared and
// which prefix of the text matched there (the Knuth-Morris-Pratt state), and never
// compares a byte of the range twice.
class LongTextMatcher
{
public:
    explicit LongTextMatcher(std::string_view text);

    // Whether the text occurs at `position`, wholly before `end`. Candidates must come in
    // increasing order; one before the last, or the first after forget(), starts afresh.
    bool startsAt(const char* position, const char* end)
    {
        return knownStartFrom(position) == position && compareAt(position, end);
    }

    // The first place from `position` on where the text may still start, as far as the
    // bytes compared so far tell: it does not start in [position, result).
    const char* knownStartFrom(const char* position) const
    {
        if (m_compared == nullptr || position < m_origin) {
            return position;
        }
        const char* start = m_compared - m_matched;
        return start > position ? start : position;
    }

    // The bytes under earlier positions may have changed: remember nothing of them.
    void forget() { m_compared = nullptr; }

private:
    bool compareAt(const char* position, const char* end);
    void restartAt(const char* position);
    void compareNext();

    std::string m_text;
    // m_border[k]: the length of the longest proper prefix of the text's first k bytes
    // that is also their suffix.
    std::vector<std::uint32_t> m_border;
    const char* m_origin = nullptr;   // where the comparison started afresh
    const char* m_compared = nullptr; // the bytes before this were compared
    std::size_t m_matched = 0;        // the text's first m_matched bytes end at m_compared
};

} // namespace purgix::engine
