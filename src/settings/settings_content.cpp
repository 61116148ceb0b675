#include "settings_content.h"

#include <algorithm>

namespace purgix::settings {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The part of the content that holds the ten lines if LF ends them: up to and including
// the tenth LF, or all of it.
std::string_view leadingLfLines(std::string_view content)
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

bool splitsAtLf(std::string_view content)
{
    const std::string_view leading = leadingLfLines(content);
    return leading.find(kLf) != std::string_view::npos &&
           leading.find(kCr) == std::string_view::npos;
}

} // namespace

void applySettingsContent(std::string_view content, Targets& targets)
{
    const bool lfLines = splitsAtLf(content);
    const char terminator = lfLines ? kLf : kCr;
    std::size_t lineStart = 0;
    for (std::string& target : targets) {
        if (lineStart >= content.size()) {
            return;
        }
        const std::size_t lineEnd = std::min(content.find(terminator, lineStart), content.size());
        target.assign(content.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (!lfLines && lineStart < content.size() && content[lineStart] == kLf) {
            ++lineStart;
        }
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

bool holdsTenLines(std::string_view content)
{
    const std::string_view leading = leadingLfLines(content);
    if (leading.find(kCr) == std::string_view::npos) {
        return std::count(leading.begin(), leading.end(), kLf) == kTargetCount;
    }
    // Every terminator, CR LF included, holds exactly one CR.
    return std::count(content.begin(), content.end(), kCr) >= kTargetCount;
}

} // namespace purgix::settings
