#include "platform/files/detail/backup_file.h"

#include "platform/files/detail/interrupted_rewrite.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/signal_cleanup.h"
#include "platform/files/detail/temporary_file.h"
#include "platform/files/detail/temporary_names.h"

#include <string_view>
#include <utility>

namespace purgix::platform {

namespace {

constexpr std::string_view kAction = "create the backup";
constexpr int kNameAttempts = 100;

// The file under a name of its own beside the backup, renamed over it then; a signal between
// the two steps waits, so that no such name is left.
int linkBackup(FileSystem& fileSystem, const FileLocation& backup, const BackedUpFile& original)
{
    const SignalBlock block;
    int error = 0;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const FileLocation link = backup.beside(besideFilePrefix(backup.name()) + randomName());
        error = linkFile(fileSystem, original.file, original.location, original.status, link);
        if (error == 0) {
            error = renameReplacing(fileSystem, link, backup);
            if (error != 0) {
                static_cast<void>(removeFile(fileSystem, link));
            }
            return error;
        }
        if (!isTaken(error)) {
            return error;
        }
    }
    return error;
}

// The file's content as it is now, lines others appended included, in a new file beside the
// backup that only this user may open until it has what permissions the file allows.
int copyBackup(FileSystem& fileSystem, const FileLocation& backup, const BackedUpFile& original)
{
    std::string security;
    if (const int error = copySecurity(fileSystem, original.file, security); error != 0) {
        return error;
    }
    TemporaryFile copy(fileSystem, backup.folder(), backup.folderPath(),
                       besideFilePrefix(backup.name()), false, std::move(security));
    if (!copy.isOpen()) {
        return copy.creationError();
    }
    FileStatus now;
    int error = statOpen(fileSystem, original.file, now);
    bool started = false;
    if (error == 0) {
        error = copyOver(fileSystem, original.file, copy.handle(), now.size, started);
    }
    if (error == 0) {
        error = giveCopyPermissions(fileSystem, original.file, now, copy.handle());
    }
    if (error == 0) {
        error = giveModifiedTime(fileSystem, copy.handle(), now);
    }
    if (error == 0) {
        error = flushFile(fileSystem, copy.handle());
    }
    return error == 0 ? copy.replace(backup) : error;
}

} // namespace

std::optional<FileError> keepBackup(FileSystem& fileSystem, const std::string& backupPath,
                                    const BackedUpFile& original, BackupKind kind)
{
    FileLocation backup;
    if (const int error = unresolvedLocation(fileSystem, backupPath, backup); error != 0) {
        return FileError::cannot(kAction, backupPath, error);
    }
    // A name of the file itself cannot keep its old content: the new content goes there.
    FileStatus standing;
    if (statAt(fileSystem, backup, standing) == 0 && isSameFile(standing, original.status)) {
        return FileError::cannot(kAction, backupPath, std::string("it is the file itself"));
    }
    int error = kind == BackupKind::Link ? linkBackup(fileSystem, backup, original) : 0;
    if (kind == BackupKind::Copy || linkUnavailable(error)) {
        error = copyBackup(fileSystem, backup, original);
    }
    if (error != 0) {
        return FileError::cannot(kAction, backupPath, error);
    }
    return std::nullopt;
}

} // namespace purgix::platform
