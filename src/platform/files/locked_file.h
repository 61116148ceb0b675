#pragma once

#include "file_descriptor.h"
#include "file_error.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace purgix::platform {

class FileSystem;

struct LockedFile
{
    enum class Failure { None, Open, Lock, Directory, NotRegular, KeptChanging };

    FileDescriptor fd;
    // The same file open for writing, where the lock could only be taken that way.
    FileDescriptor lockHolder;
    struct stat status = {}; // the file as it was once the lock was held
    Failure failure = Failure::None;
    int errorNumber = 0; // errno of a failed open or lock
};

// Opens the regular file at `path` for reading and holds an exclusive advisory lock on
// it until the descriptor closes. It never blocks on a FIFO or a device: anything but
// a regular file is refused before it is read. A run that replaces a file by a rename
// leaves a waiting locker holding the old file, so once the lock is held the path must
// still name the locked file; otherwise the new file is opened and locked in turn.
// File systems without locks are read unlocked.
LockedFile openLockedRegularFile(FileSystem& fileSystem, const std::string& path);

// Opens the regular file at `path` for reading, into `fd`. A FIFO or a device is refused
// without blocking on it, since it could wait or never end. The failure says it could
// not `action` the file.
std::optional<FileError> openRegularFile(FileSystem& fileSystem, const std::string& path,
                                         std::string_view action, FileDescriptor& fd);

// True when both describe the same file.
bool isSameFile(const struct stat& first, const struct stat& second);

// True when `now` is the same file as `before`, with the same size and modification time.
bool isUnchanged(const struct stat& before, const struct stat& now);

} // namespace purgix::platform
