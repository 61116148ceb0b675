#pragma once

#include "platform/files/detail/native_file.h"
#include "platform/files/file_error.h"

#include <optional>
#include <string>

namespace purgix::platform {

// The file whose content a backup keeps: open at `file`, named by `location`, as `status`
// told when it was locked.
struct BackedUpFile
{
    NativeHandle file;
    const FileLocation& location;
    const FileStatus& status;
};

enum class BackupKind {
    Link, // the file itself under a further name, for a file about to be renamed over
    Copy, // a copy of its content, for a file about to be rewritten in place
};

// Keeps the file's content as it is now at `backupPath`, which it takes in one step from
// whatever stands there but a folder (a symbolic link is replaced, not followed), so that an
// earlier backup is never half replaced. Where the file can have no further name there, the
// backup is a copy as well. A copy lets in nobody the file does not, has the file's
// modification time, and is flushed before it takes the name. A failure leaves nothing
// beside the backup, and says so naming `backupPath`. The file's position moves.
[[nodiscard]] std::optional<FileError> keepBackup(FileSystem& fileSystem,
                                                  const std::string& backupPath,
                                                  const BackedUpFile& original, BackupKind kind);

} // namespace purgix::platform
