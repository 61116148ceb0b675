#include "engine/detail/long_text_matcher.h"

#include <bit>
#include <cstring>

namespace purgix::engine {

namespace {

// How many leading bytes two ranges share, eight at a time.
std::size_t commonPrefix(const char* a, const char* b, std::size_t length)
{
    std::size_t done = 0;
    for (; length - done >= 8; done += 8) {
        std::uint64_t left;
        std::uint64_t right;
        std::memcpy(&left, a + done, 8);
        std::memcpy(&right, b + done, 8);
        if (const std::uint64_t differ = left ^ right; differ != 0) {
            if constexpr (std::endian::native == std::endian::little) {
                return done + static_cast<std::size_t>(std::countr_zero(differ)) / 8;
            } else {
                return done + static_cast<std::size_t>(std::countl_zero(differ)) / 8;
            }
        }
    }
    while (done < length && a[done] == b[done]) {
        ++done;
    }
    return done;
}

std::vector<std::uint32_t> bordersOf(std::string_view text)
{
    std::vector<std::uint32_t> border(text.size() + 1, 0);
    std::uint32_t length = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        while (length > 0 && text[i] != text[length]) {
            length = border[length];
        }
        if (text[i] == text[length]) {
            ++length;
        }
        border[i + 1] = length;
    }
    return border;
}

} // namespace

LongTextMatcher::LongTextMatcher(std::string_view text) : m_text(text), m_border(bordersOf(text)) {}

bool LongTextMatcher::compareAt(const char* position, const char* end)
{
    const std::size_t length = m_text.size();
    if (static_cast<std::size_t>(end - position) < length) {
        return false;
    }
    if (m_compared == nullptr || position < m_origin || position >= m_compared) {
        restartAt(position);
    }
    // The matched prefix starts at m_compared - m_matched, which only moves forward, and
    // no occurrence starts between m_origin and there. So once it has passed `position`,
    // the text is not at `position`; while it has not, m_compared stays within the
    // candidate's own bytes, before `end`.
    for (;;) {
        const char* start = m_compared - m_matched;
        if (start > position) {
            return false;
        }
        if (m_matched == length) {
            if (start == position) {
                return true;
            }
            m_matched = m_border[length];
            continue;
        }
        compareNext();
    }
}

void LongTextMatcher::restartAt(const char* position)
{
    m_origin = position;
    m_compared = position;
    m_matched = 0;
}

// Extends the matched prefix as far as the bytes agree; at a byte that differs, falls back
// to the longest border that the byte extends, and takes the byte.
void LongTextMatcher::compareNext()
{
    const std::size_t agree =
        commonPrefix(m_compared, m_text.data() + m_matched, m_text.size() - m_matched);
    if (agree > 0) {
        m_compared += agree;
        m_matched += agree;
        return;
    }
    const char byte = *m_compared++;
    while (m_matched > 0 && m_text[m_matched] != byte) {
        m_matched = m_border[m_matched];
    }
    if (m_text[m_matched] == byte) {
        ++m_matched;
    }
}

} // namespace purgix::engine
