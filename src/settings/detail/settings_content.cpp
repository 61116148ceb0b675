#include "settings/detail/settings_content.h"

#include "engine/line_ends.h"

#include <algorithm>
#include <utility>

namespace purgix::settings {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The part of the content that holds the ten lines and decides their rule: up to and
// including the tenth LF, or all of it. An LF ends a line under both rules.
std::string_view leadingPart(std::string_view content)
{
    std::size_t end = 0;
    for (int line = 0; line < kTargetCount; ++line) {
        const std::size_t lf = content.find(kLf, end);
        if (lf == std::string_view::npos) {
            return content;
        }
        end = lf + 1;
    }
    return content.substr(0, end);
}

// Where the line that starts at `lineStart` ends under `lineEnds`, and where the next
// one starts.
std::pair<std::size_t, std::size_t> lineAt(std::string_view text, std::size_t lineStart,
                                           engine::LineEnds lineEnds)
{
    const std::string_view lineEndBytes = lineEnds == engine::LineEnds::Lf ? "\n" : "\r\n";
    const std::size_t lineEnd = std::min(text.find_first_of(lineEndBytes, lineStart), text.size());
    const bool pair = lineEnds == engine::LineEnds::CrLf && lineEnd + 1 < text.size() &&
                      text[lineEnd] == kCr && text[lineEnd + 1] == kLf;
    return {lineEnd, lineEnd + (pair ? 2 : 1)};
}

} // namespace

void applySettingsContent(std::string_view content, Targets& targets)
{
    const std::string_view leading = leadingPart(content);
    const engine::LineEnds lineEnds =
        engine::lineEndsOf(leading.data(), leading.data() + leading.size());
    std::size_t lineStart = 0;
    for (std::string& target : targets) {
        if (lineStart >= leading.size()) {
            return;
        }
        const auto [lineEnd, next] = lineAt(leading, lineStart, lineEnds);
        target.assign(leading.substr(lineStart, lineEnd - lineStart));
        lineStart = next;
    }
}

std::string formatSettingsContent(const Targets& targets)
{
    std::string content;
    for (const std::string& target : targets) {
        content += target;
        content += "\r\n";
    }
    return content;
}

bool holdsLeadingPart(std::string_view content)
{
    return std::count(content.begin(), content.end(), kLf) >= kTargetCount;
}

} // namespace purgix::settings
