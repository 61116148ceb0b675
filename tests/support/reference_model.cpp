#include "support/reference_model.h"

#include <cstddef>

namespace purgix::test {

namespace {

constexpr std::int64_t kCountLimit = 32767;

struct SinglePass
{
    std::string output;
    std::int64_t dropped = 0;
};

std::string lineEndOf(bool lfLines)
{
    return lfLines ? "\n" : "\r\n";
}

SinglePass filterOneTarget(std::string_view content, const std::string& target, bool lfLines)
{
    SinglePass pass;
    const std::string lineEnd = lineEndOf(lfLines);
    for (const std::string& line : splitLines(content, lfLines)) {
        if (line.find(target) != std::string::npos) {
            ++pass.dropped;
        } else {
            pass.output += line + lineEnd;
        }
    }
    return pass;
}

} // namespace

bool endsLinesInLf(std::string_view content)
{
    std::int64_t loneLfs = 0;
    std::int64_t otherEnds = 0; // CR LF pairs and lone CRs
    for (std::size_t i = 0; i < content.size(); ++i) {
        const bool crBefore = i > 0 && content[i - 1] == '\r';
        if (content[i] == '\n' && !crBefore) {
            ++loneLfs;
        } else if (content[i] == '\r') {
            ++otherEnds;
        }
    }
    return loneLfs > otherEnds;
}

std::vector<std::string> splitLines(std::string_view content)
{
    return splitLines(content, endsLinesInLf(content));
}

std::vector<std::string> splitLines(std::string_view content, bool lfOnly)
{
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char byte = content[i];
        const bool endsLine = byte == '\n' || (!lfOnly && byte == '\r');
        if (!endsLine) {
            current += byte;
            continue;
        }
        lines.push_back(current);
        current.clear();
        if (!lfOnly && byte == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
            ++i;
        }
    }
    if (!current.empty()) {
        lines.push_back(current);
    }
    return lines;
}

FilterModel filterModel(std::string_view content, const Targets& slots)
{
    FilterModel model;
    const std::string lineEnd = lineEndOf(endsLinesInLf(content));
    for (const std::string& line : splitLines(content)) {
        bool dropped = false;
        for (std::size_t slot = 0; slot < slots.size() && !dropped; ++slot) {
            if (!slots[slot].empty() && line.find(slots[slot]) != std::string::npos) {
                ++model.droppedPerSlot[slot];
                dropped = true;
            }
        }
        (dropped ? model.deleted : model.output) += line + lineEnd;
    }
    return model;
}

DeleteRunModel deleteRunModel(std::string_view content, const Targets& slots)
{
    DeleteRunModel model{false, "Overflow", std::string(content), {}};
    Targets applied;
    // The file as the run found it chooses the rule, once: each pass's deletions must not
    // change how the next pass splits the lines.
    const bool lfLines = endsLinesInLf(content);
    std::int64_t total = 0;
    for (const std::string& target : slots) {
        if (target.empty()) {
            continue;
        }
        SinglePass pass = filterOneTarget(model.fileContent, target, lfLines);
        if (pass.dropped > kCountLimit || total + pass.dropped > kCountLimit) {
            model.deleted = filterModel(content, applied).deleted;
            return model;
        }
        total += pass.dropped;
        model.fileContent = std::move(pass.output);
        applied[static_cast<std::size_t>(&target - slots.data())] = target;
    }
    model.deleted = filterModel(content, applied).deleted;
    model.succeeded = true;
    model.message = std::to_string(total) + " lines deleted.";
    return model;
}

Targets applySettingsModel(std::string_view content, Targets targets)
{
    // Only the part that holds the ten lines decides the rule: up to the tenth LF.
    std::size_t tenthLfEnd = 0;
    for (std::size_t lfs = 0; tenthLfEnd < content.size() && lfs < targets.size(); ++tenthLfEnd) {
        lfs += content[tenthLfEnd] == '\n' ? 1 : 0;
    }
    const std::vector<std::string> lines = splitLines(content.substr(0, tenthLfEnd));
    for (std::size_t i = 0; i < lines.size() && i < targets.size(); ++i) {
        targets[i] = lines[i];
    }
    return targets;
}

std::string settingsFileModel(const Targets& targets)
{
    std::string content;
    for (const std::string& target : targets) {
        content += target + "\r\n";
    }
    return content;
}

} // namespace purgix::test
