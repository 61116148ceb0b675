#include "atomic_replace.h"

#include "error_text.h"
#include "file_descriptor.h"
#include "file_system.h"
#include "path_names.h"
#include "temporary_file.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>

namespace purgix::platform {

namespace {

constexpr mode_t kFallbackUmask = 022;

// umask() cannot be read without being set, which would race with other threads;
// Linux shows it in /proc/self/status instead.
mode_t processUmask(FileSystem& fileSystem)
{
    FileDescriptor status(fileSystem, fileSystem.open("/proc/self/status", O_RDONLY));
    if (!status.isOpen()) {
        return kFallbackUmask;
    }
    std::array<char, 4096> buffer{};
    const ssize_t size = fileSystem.read(status.get(), buffer.data(), buffer.size() - 1);
    if (size <= 0) {
        return kFallbackUmask;
    }
    const char* field = std::strstr(buffer.data(), "\nUmask:");
    if (field == nullptr) {
        return kFallbackUmask;
    }
    return static_cast<mode_t>(std::strtoul(field + 7, nullptr, 8)) & 0777;
}

int finishNewFile(FileSystem& fileSystem, int fd)
{
    const mode_t mode = 0666 & ~processUmask(fileSystem);
    if (fileSystem.fchmod(fd, mode) != 0 || fileSystem.fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

} // namespace

int writeAll(FileSystem& fileSystem, int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = fileSystem.write(fd, data.data(), data.size());
        if (written < 0) {
            return errno;
        }
        if (written == 0) {
            return EIO;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::optional<std::string> replacementRefusal(FileSystem& fileSystem, const std::string& target,
                                              const struct stat& status, const std::string& path)
{
    if ((status.st_mode & 0222) == 0) {
        return cannotText("replace", path, "it is read-only");
    }
    if (fileSystem.access(target, W_OK) != 0) {
        return cannotText("replace", path, errno);
    }
    return std::nullopt;
}

int finishNewContent(FileSystem& fileSystem, int fd, const struct stat& original)
{
    struct stat current = {};
    if (fileSystem.fstat(fd, current) != 0) {
        return errno;
    }
    // Ownership first: a change of owner clears the set-user-ID and set-group-ID bits.
    const bool ownerDiffers =
        current.st_uid != original.st_uid || current.st_gid != original.st_gid;
    if (ownerDiffers && fileSystem.fchown(fd, original.st_uid, original.st_gid) != 0 &&
        errno != EPERM) {
        return errno;
    }
    if (fileSystem.fchmod(fd, original.st_mode & 07777) != 0 || fileSystem.fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

void syncFolder(FileSystem& fileSystem, const std::string& folder)
{
    FileDescriptor fd(fileSystem, fileSystem.open(folder, O_RDONLY | O_DIRECTORY));
    if (fd.isOpen()) {
        fileSystem.fsync(fd.get());
    }
}

ReplaceResult replaceFileAtomically(FileSystem& fileSystem, const std::string& path,
                                    std::string_view content)
{
    const std::optional<std::string> resolved = resolvedPath(fileSystem, path);
    if (!resolved) {
        return {false, cannotText("write", path, errno)};
    }
    const std::string& target = *resolved;
    struct stat original = {};
    const bool exists = fileSystem.stat(target, original) == 0;
    if (exists) {
        if (auto refusal = replacementRefusal(fileSystem, target, original, path)) {
            return {false, std::move(*refusal)};
        }
    }
    const std::string folder = parentFolder(target);
    TemporaryFile replacement(fileSystem, folder, besideFilePrefix(target));
    if (!replacement.isOpen()) {
        return {false, cannotText("write", path, replacement.creationError())};
    }
    int error = writeAll(fileSystem, replacement.fd(), content);
    if (error == 0) {
        error = exists ? finishNewContent(fileSystem, replacement.fd(), original)
                       : finishNewFile(fileSystem, replacement.fd());
    }
    if (error != 0) {
        return {false, cannotText("write", path, error)};
    }
    if (const int renameError = replacement.moveOver(target); renameError != 0) {
        return {false, cannotText("replace", path, renameError)};
    }
    syncFolder(fileSystem, folder);
    return {true, {}};
}

} // namespace purgix::platform
