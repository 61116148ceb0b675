#include "settings/target_settings.h"

#include "platform/files/file_system.h"
#include "platform/files/program_folder.h"
#include "platform/files/save_file.h"
#include "platform/files/source_file.h"
#include "platform/files/temporary_folder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string>
#include <utility>

namespace purgix::settings {

namespace {

constexpr std::size_t kReadChunkSize = 64 * 1024;
constexpr std::string_view kReadAction = "read the target strings from";

// The most that ten lines of targets no longer than kMaxTargetLength can take.
constexpr std::size_t kMaxLeadingBytes = kTargetCount * (kMaxTargetLength + 2);

platform::FileSystem& fileSystemOrSystem(platform::FileSystem* fileSystem)
{
    return fileSystem != nullptr ? *fileSystem : platform::systemFileSystem();
}

std::string tooLongReason()
{
    return "a target string is longer than " + std::to_string(kMaxTargetLength) + " bytes";
}

// Appends the file's bytes to `content` until the part that holds the ten lines is
// complete or the file ends; lines past the tenth are never used, so they are never read.
// Ten lines of targets that are not too long fit in kMaxLeadingBytes: reading stops there,
// and a line that did not end by then is too long.
std::optional<platform::FileError> readLeadingLines(platform::ByteSource& source,
                                                    const std::string& path, std::string& content)
{
    std::array<char, kReadChunkSize> chunk;
    while (!holdsLeadingPart(content) && content.size() <= kMaxLeadingBytes) {
        const std::ptrdiff_t count = source.read(chunk.data(), chunk.size());
        if (count < 0) {
            return platform::FileError::cannot(kReadAction, path, errno);
        }
        if (count == 0) {
            break;
        }
        content.append(chunk.data(), static_cast<std::size_t>(count));
    }
    return std::nullopt;
}

bool holdsOverlongTarget(const Targets& targets)
{
    return std::any_of(targets.begin(), targets.end(),
                       [](const std::string& target) { return target.size() > kMaxTargetLength; });
}

// How many slots `content` fills: a line never holds an LF, so a slot that still holds
// one after the content is applied lies past the last line.
int filledSlots(std::string_view content)
{
    Targets probe;
    probe.fill("\n");
    applySettingsContent(content, probe);
    return static_cast<int>(
        std::count_if(probe.begin(), probe.end(), [](const auto& slot) { return slot != "\n"; }));
}

// Whether anything but line ends follows the part that holds the ten lines, in
// `content` and in the rest of `source`.
std::optional<bool> holdsMoreLines(platform::ByteSource& source, std::string_view content)
{
    std::size_t tenthLf = 0;
    for (int line = 0; line < kTargetCount && tenthLf != std::string_view::npos; ++line) {
        tenthLf = content.find('\n', line == 0 ? 0 : tenthLf + 1);
    }
    if (tenthLf == std::string_view::npos) {
        return false;
    }
    std::string rest(content.substr(tenthLf + 1));
    std::array<char, kReadChunkSize> chunk;
    while (rest.find_first_not_of("\r\n") == std::string::npos) {
        const std::ptrdiff_t count = source.read(chunk.data(), chunk.size());
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            return false;
        }
        rest.assign(chunk.data(), static_cast<std::size_t>(count));
    }
    return true;
}

// Reads the ten targets of the settings file over `targets`; `lines` tells how many of
// them its lines filled.
std::optional<platform::FileError>
readTargets(platform::FileSystem& fileSystem, const std::string& path, Targets& targets, int& lines)
{
    platform::SourceFile file(fileSystem, path);
    if (auto failure = file.open(kReadAction)) {
        return failure;
    }
    std::string content;
    if (auto failure = readLeadingLines(file.source(), path, content)) {
        return failure;
    }
    applySettingsContent(content, targets);
    if (holdsOverlongTarget(targets)) {
        return platform::FileError::cannot(kReadAction, path, tooLongReason());
    }
    lines = filledSlots(content);
    return std::nullopt;
}

// Why a target cannot be stored so that it reads back the same, if it cannot: a longer
// target could not be read back, and a CR or LF would split it over two lines.
std::optional<std::string> unsavableReason(const Targets& targets)
{
    for (std::size_t slot = 0; slot < targets.size(); ++slot) {
        const std::string name = "target string " + std::to_string(slot + 1);
        if (targets[slot].size() > kMaxTargetLength) {
            return name + " is longer than " + std::to_string(kMaxTargetLength) + " bytes";
        }
        if (targets[slot].find_first_of("\r\n") != std::string::npos) {
            return name + " holds a line break";
        }
    }
    return std::nullopt;
}

std::optional<platform::FileError> writeTargets(platform::FileSystem& fileSystem,
                                                const std::string& path, const Targets& targets)
{
    if (const std::optional<std::string> reason = unsavableReason(targets)) {
        return platform::FileError::cannot("write", path, *reason);
    }
    platform::SaveFile file(fileSystem, path, platform::SaveFile::Use::Save,
                            platform::temporaryFolderPath());
    if (auto failure = file.open()) {
        return failure;
    }
    if (const int error = platform::writeAll(file.content(), formatSettingsContent(targets))) {
        return file.writeError(error);
    }
    return file.commit();
}

} // namespace

std::string settingsFilePath(std::string_view programFolder)
{
    std::string path(programFolder);
    path += platform::kFolderSeparator;
    path += "purgix.ini";
    return path;
}

LoadResult loadTargets(const std::string& path, Targets& targets, platform::FileSystem* fileSystem)
{
    Targets read = targets;
    int lines = 0;
    if (auto failure = readTargets(fileSystemOrSystem(fileSystem), path, read, lines)) {
        // A part read before the failure is not trusted: the whole file counts as unreadable.
        targets.fill({});
        return {false, failure->isMissingFile(), failure->message(), 0};
    }
    targets = std::move(read);
    return {true, false, {}, lines};
}

TargetListResult loadTargetList(const std::string& path, platform::FileSystem* fileSystem)
{
    platform::SourceFile file(fileSystemOrSystem(fileSystem), path);
    std::string content;
    std::optional<platform::FileError> failure = file.open(kReadAction);
    if (!failure) {
        failure = readLeadingLines(file.source(), path, content);
    }
    Targets targets;
    applySettingsContent(content, targets);
    if (!failure && holdsOverlongTarget(targets)) {
        failure = platform::FileError::cannot(kReadAction, path, tooLongReason());
    }
    std::optional<bool> more = false;
    if (!failure) {
        more = holdsMoreLines(file.source(), content);
        if (!more) {
            failure = platform::FileError::cannot(kReadAction, path, errno);
        }
    }
    if (failure) {
        return {false, {}, false, failure->message()};
    }
    const auto filled = static_cast<std::size_t>(filledSlots(content));
    return {
        true, {targets.begin(), targets.begin() + static_cast<std::ptrdiff_t>(filled)}, *more, {}};
}

SaveResult saveTargets(const std::string& path, const Targets& targets,
                       platform::FileSystem* fileSystem)
{
    if (auto failure = writeTargets(fileSystemOrSystem(fileSystem), path, targets)) {
        return {false, "The target strings were not saved. " + failure->message()};
    }
    return {true, {}};
}

} // namespace purgix::settings
