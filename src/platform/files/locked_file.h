#pragma once

#include "platform/files/detail/native_file.h"
#include "platform/files/file_error.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace purgix::platform {

// How long a run waits for another program that holds a file's lock.
struct LockWait
{
    // Then `waiting` is called, once, so that the user learns why nothing happens.
    std::chrono::milliseconds sayAfter{3000};
    std::function<void()> waiting;
    // Then the run gives up; never when there is none.
    std::optional<std::chrono::milliseconds> giveUpAfter = std::chrono::seconds(30);
    // Asked between attempts: a run stopped on request gives up at once.
    std::function<bool()> stopped;
};

struct LockedFile
{
    enum class Failure { None, Open, Lock, LockBusy, Directory, NotRegular, KeptChanging };

    NativeFile file;
    // The same file open for writing, where the lock could only be taken that way.
    NativeFile lockHolder;
    FileStatus status; // the file as it was once the lock was held
    Failure failure = Failure::None;
    int errorNumber = 0;   // of a failed open or lock
    bool writable = false; // `file` is open for writing too
};

// Opens the regular file at `location` for reading and holds an exclusive lock on it
// until it closes. It never blocks on a FIFO or a device: anything but a regular file is
// refused before it is read. A run that replaces a file by a rename leaves a waiting
// locker holding the old file, so once the lock is held the name must still name the
// locked file; otherwise the new file is opened and locked in turn. File systems without
// locks are read unlocked. A file for which `wantsWriting` says so is opened for writing
// too, where this process may write it.
[[nodiscard]] LockedFile openLockedRegularFile(FileSystem& fileSystem, const FileLocation& location,
                                               bool (*wantsWriting)(const FileStatus&),
                                               const LockWait& wait);

// What a failed openLockedRegularFile() says about the file named `path` as the user gave
// it; `openAction` is what could not be done when the file could not be opened. None when
// it succeeded.
[[nodiscard]] std::optional<FileError> lockedFileFailure(const LockedFile& file,
                                                         const std::string& path,
                                                         std::string_view openAction,
                                                         const LockWait& wait);

// Opens the regular file at `location` for reading, into `file`. A FIFO or a device is
// refused without blocking on it, since it could wait or never end. The failure says it
// could not `action` the file, named `path` as the user gave it.
[[nodiscard]] std::optional<FileError> openRegularFile(FileSystem& fileSystem,
                                                       const FileLocation& location,
                                                       const std::string& path,
                                                       std::string_view action, NativeFile& file);

} // namespace purgix::platform
