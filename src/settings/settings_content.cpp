#include "settings_content.h"

#include <algorithm>

namespace purgix::settings {

void applySettingsContent(std::string_view content, Targets& targets)
{
    std::size_t lineStart = 0;
    for (std::string& target : targets) {
        if (lineStart >= content.size()) {
            return;
        }
        const std::size_t lineEnd = std::min(content.find('\r', lineStart), content.size());
        target.assign(content.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (lineStart < content.size() && content[lineStart] == '\n') {
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

std::size_t countCompleteLines(std::string_view content)
{
    // Every terminator, CR LF included, holds exactly one CR.
    return static_cast<std::size_t>(std::count(content.begin(), content.end(), '\r'));
}

} // namespace purgix::settings
