#include "target_settings.h"

#include "atomic_replace.h"
#include "error_text.h"
#include "file_system.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace purgix::settings {

namespace {

constexpr std::size_t kReadChunkSize = 64 * 1024;

platform::FileSystem& fileSystemOrSystem(platform::FileSystem* fileSystem)
{
    return fileSystem != nullptr ? *fileSystem : platform::systemFileSystem();
}

// A FIFO or a device could block or never end, so only regular files are read.
std::string refusalOfNonRegular(platform::FileSystem& fileSystem, int fd)
{
    struct stat status = {};
    if (fileSystem.fstat(fd, status) != 0) {
        return platform::errorReason(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return platform::errorReason(EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
        return "Not a regular file";
    }
    return {};
}

// The most that ten lines of targets no longer than kMaxTargetLength can take.
constexpr std::size_t kMaxLeadingBytes = kTargetCount * (kMaxTargetLength + 2);

std::string tooLongReason()
{
    return "a target string is longer than " + std::to_string(kMaxTargetLength) + " bytes";
}

// Appends the file's bytes to `content` until ten lines are complete or the file ends;
// lines past the tenth are never used, so they are never read.
std::string readLeadingLines(platform::FileSystem& fileSystem, int fd, std::string& content)
{
    std::array<char, kReadChunkSize> chunk;
    while (!holdsTenLines(content)) {
        if (content.size() > kMaxLeadingBytes) {
            return tooLongReason();
        }
        const ssize_t count = fileSystem.read(fd, chunk.data(), chunk.size());
        if (count < 0) {
            return platform::errorReason(errno);
        }
        if (count == 0) {
            break;
        }
        content.append(chunk.data(), static_cast<std::size_t>(count));
    }
    return {};
}

bool holdsOverlongTarget(const Targets& targets)
{
    return std::any_of(targets.begin(), targets.end(),
                       [](const std::string& target) { return target.size() > kMaxTargetLength; });
}

// Reads the start of the settings file into `content`; returns why it failed, or "".
std::string readSettingsFile(platform::FileSystem& fileSystem, const std::string& path,
                             std::string& content, bool& missing)
{
    // O_NONBLOCK keeps the open itself from waiting for a writer when the path is a FIFO.
    const int fd = fileSystem.open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        missing = errno == ENOENT;
        return platform::errorReason(errno);
    }
    std::string reason = refusalOfNonRegular(fileSystem, fd);
    if (reason.empty()) {
        reason = readLeadingLines(fileSystem, fd, content);
    }
    fileSystem.close(fd);
    return reason;
}

} // namespace

std::string settingsFilePath(std::string_view programFolder)
{
    std::string path(programFolder);
    path += "/purgix.ini";
    return path;
}

LoadResult loadTargets(const std::string& path, Targets& targets, platform::FileSystem* fileSystem)
{
    std::string content;
    bool missing = false;
    std::string reason = readSettingsFile(fileSystemOrSystem(fileSystem), path, content, missing);
    Targets read = targets;
    applySettingsContent(content, read);
    if (reason.empty() && holdsOverlongTarget(read)) {
        reason = tooLongReason();
    }
    if (!reason.empty()) {
        // A part read before the failure is not trusted: the whole file counts as unreadable.
        targets.fill({});
        return {false, missing,
                "Cannot read the target strings from \"" + path + "\": " + reason + "."};
    }
    targets = std::move(read);
    return {true, false, {}};
}

SaveResult saveTargets(const std::string& path, const Targets& targets,
                       platform::FileSystem* fileSystem)
{
    // A longer target could not be read back, so saving it would lose it.
    for (std::size_t slot = 0; slot < targets.size(); ++slot) {
        if (targets[slot].size() > kMaxTargetLength) {
            return {false, "The target strings were not saved to \"" + path + "\": target string " +
                               std::to_string(slot + 1) + " is longer than " +
                               std::to_string(kMaxTargetLength) + " bytes."};
        }
    }
    const platform::ReplaceResult replaced = platform::replaceFileAtomically(
        fileSystemOrSystem(fileSystem), path, formatSettingsContent(targets));
    if (!replaced.succeeded) {
        return {false, "The target strings were not saved. " + replaced.message};
    }
    return {true, {}};
}

} // namespace purgix::settings
