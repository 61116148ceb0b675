#include "platform/files/locked_file.h"

#include "platform/files/detail/native_files.h"

#include <algorithm>
#include <thread>

namespace purgix::platform {

namespace {

// Each retry means another run replaced the file while this one waited; a name that is
// still replaced after this many is given up on rather than chased for ever.
constexpr int kMaxLockAttempts = 64;
// The longest pause between two attempts to take a lock another program holds.
constexpr std::chrono::milliseconds kLongestPause{20};

LockedFile failed(LockedFile::Failure failure, int errorNumber = 0)
{
    LockedFile result;
    result.failure = failure;
    result.errorNumber = errorNumber;
    return result;
}

LockedFile::Failure failureOf(FileKind kind)
{
    switch (kind) {
    case FileKind::Regular:
        return LockedFile::Failure::None;
    case FileKind::Directory:
        return LockedFile::Failure::Directory;
    case FileKind::Other:
        return LockedFile::Failure::NotRegular;
    }
    return LockedFile::Failure::NotRegular;
}

// Tries the lock until it is free, at shortening pauses, as `wait` says.
int waitForLock(FileSystem& fileSystem, const FileLocation& location, LockedFile& locked,
                const LockWait& wait)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    bool said = false;
    for (std::chrono::milliseconds pause{1};; pause = std::min(pause * 2, kLongestPause)) {
        const int error =
            tryLockExclusively(fileSystem, location, locked.file, locked.status, locked.lockHolder);
        if (!isLockBusy(error)) {
            return error;
        }
        const Clock::duration waited = Clock::now() - start;
        if (!said && waited >= wait.sayAfter && wait.waiting) {
            said = true;
            wait.waiting();
        }
        if ((wait.giveUpAfter && waited >= *wait.giveUpAfter) || (wait.stopped && wait.stopped())) {
            return error;
        }
        std::this_thread::sleep_for(pause);
    }
}

// The locked file open for reading and writing, where this process may write it, holding the
// lock in turn: the lock goes with the read-only file, and is taken again through the other,
// at once. Should another run take it in between, nothing: this one starts over, waiting
// with a file open for reading only, so that it never looks like a program that keeps the
// file open for writing.
std::optional<LockedFile> lockedForWriting(FileSystem& fileSystem, const FileLocation& location,
                                           LockedFile locked)
{
    NativeFile both;
    FileKind kind = FileKind::Regular;
    FileStatus status;
    if (openForReading(fileSystem, location, both, kind, true) != 0 ||
        statOpen(fileSystem, both.get(), status) != 0 || !isSameFile(status, locked.status)) {
        return locked;
    }
    const FileStatus before = locked.status;
    locked.file = std::move(both);
    locked.lockHolder.reset();
    locked.writable = true;
    const int error =
        tryLockExclusively(fileSystem, location, locked.file, locked.status, locked.lockHolder);
    if (isLockBusy(error)) {
        return std::nullopt;
    }
    if (error != 0) {
        return failed(LockedFile::Failure::Lock, error);
    }
    if (statOpen(fileSystem, locked.file.get(), locked.status) != 0 ||
        !isUnchanged(before, locked.status)) {
        return std::nullopt;
    }
    return locked;
}

} // namespace

std::optional<FileError> openRegularFile(FileSystem& fileSystem, const FileLocation& location,
                                         const std::string& path, std::string_view action,
                                         NativeFile& file)
{
    FileKind kind = FileKind::Regular;
    if (const int error = openForReading(fileSystem, location, file, kind); error != 0) {
        return FileError::cannot(action, path, error);
    }
    switch (kind) {
    case FileKind::Regular:
        return std::nullopt;
    case FileKind::Directory:
        file.reset();
        return FileError::cannot(action, path, std::string("Is a directory"));
    case FileKind::Other:
        break;
    }
    file.reset();
    return FileError::cannot(action, path, std::string("Not a regular file"));
}

LockedFile openLockedRegularFile(FileSystem& fileSystem, const FileLocation& location,
                                 bool (*wantsWriting)(const FileStatus&), const LockWait& wait)
{
    for (int attempt = 0; attempt < kMaxLockAttempts; ++attempt) {
        LockedFile locked;
        FileKind kind = FileKind::Regular;
        if (const int error = openForReading(fileSystem, location, locked.file, kind); error != 0) {
            return failed(LockedFile::Failure::Open, error);
        }
        if (kind != FileKind::Regular) {
            return failed(failureOf(kind));
        }
        if (const int error = statOpen(fileSystem, locked.file.get(), locked.status); error != 0) {
            return failed(LockedFile::Failure::Open, error);
        }
        const int lockError = waitForLock(fileSystem, location, locked, wait);
        if (isLockBusy(lockError)) {
            return failed(LockedFile::Failure::LockBusy, lockError);
        }
        if (lockError != 0) {
            if (!locksUnsupported(lockError)) {
                return failed(LockedFile::Failure::Lock, lockError);
            }
            return locked;
        }
        FileStatus current;
        if (statAt(fileSystem, location, current) != 0 || !isSameFile(locked.status, current)) {
            continue;
        }
        locked.status = current;
        if (wantsWriting == nullptr || !wantsWriting(locked.status)) {
            return locked;
        }
        // Only once the lock is held, so that a run waiting for it does not look like a
        // program that keeps the file open for writing.
        if (std::optional<LockedFile> writable =
                lockedForWriting(fileSystem, location, std::move(locked))) {
            return std::move(*writable);
        }
    }
    return failed(LockedFile::Failure::KeptChanging);
}

std::optional<FileError> lockedFileFailure(const LockedFile& file, const std::string& path,
                                           std::string_view openAction, const LockWait& wait)
{
    switch (file.failure) {
    case LockedFile::Failure::None:
        return std::nullopt;
    case LockedFile::Failure::Open:
        return FileError::cannot(openAction, path, file.errorNumber);
    case LockedFile::Failure::Lock:
        return FileError::cannot("lock", path, file.errorNumber);
    case LockedFile::Failure::LockBusy: {
        const auto waited = std::chrono::duration_cast<std::chrono::seconds>(
            wait.giveUpAfter.value_or(std::chrono::milliseconds{}));
        return FileError::cannot("lock", path,
                                 "another program has kept it locked for " +
                                     std::to_string(waited.count()) + " s");
    }
    case LockedFile::Failure::Directory:
        return FileError::cannot(openAction, path, std::string("it is a directory"));
    case LockedFile::Failure::NotRegular:
        return FileError::notRegular(path);
    case LockedFile::Failure::KeptChanging:
        return FileError::changed(path);
    }
    return std::nullopt;
}

} // namespace purgix::platform
