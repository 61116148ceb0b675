#include "locked_file.h"

#include "file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace purgix::platform {

namespace {

// Each retry means another run replaced the file while this one waited; a path that is
// still replaced after this many is given up on rather than chased for ever.
constexpr int kMaxLockAttempts = 64;

bool locksUnsupported(int errorNumber)
{
    return errorNumber == ENOLCK || errorNumber == EOPNOTSUPP || errorNumber == ENOSYS;
}

LockedFile failed(LockedFile::Failure failure, int errorNumber = 0)
{
    LockedFile result;
    result.failure = failure;
    result.errorNumber = errorNumber;
    return result;
}

// NFS takes an exclusive lock only through a descriptor open for writing (it locks
// byte ranges on the server) and answers EBADF otherwise; the lock is then taken through
// such a descriptor. A file this process may not write is read unlocked, and refused
// further on. Returns 0, or -1 with errno set.
int lockExclusively(FileSystem& fileSystem, LockedFile& file, const std::string& path)
{
    if (fileSystem.lock(file.fd.get(), LOCK_EX) == 0) {
        return 0;
    }
    if (errno != EBADF) {
        return -1;
    }
    file.lockHolder =
        FileDescriptor(fileSystem, fileSystem.open(path, O_WRONLY | O_NONBLOCK | O_NOCTTY));
    struct stat status = {};
    if (!file.lockHolder.isOpen() || fileSystem.fstat(file.lockHolder.get(), status) != 0 ||
        !isSameFile(status, file.status)) {
        file.lockHolder = FileDescriptor();
        errno = ENOLCK;
        return -1;
    }
    return fileSystem.lock(file.lockHolder.get(), LOCK_EX);
}

} // namespace

bool isSameFile(const struct stat& first, const struct stat& second)
{
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool isUnchanged(const struct stat& before, const struct stat& now)
{
    return isSameFile(before, now) && before.st_size == now.st_size &&
           before.st_mtim.tv_sec == now.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

std::optional<FileError> openRegularFile(FileSystem& fileSystem, const std::string& path,
                                         std::string_view action, FileDescriptor& fd)
{
    // O_NONBLOCK keeps the open itself from waiting for a writer when the path is a FIFO.
    fd = FileDescriptor(fileSystem, fileSystem.open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    struct stat status = {};
    if (!fd.isOpen() || fileSystem.fstat(fd.get(), status) != 0) {
        return FileError::cannot(action, path, errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return FileError::cannot(action, path, EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
        return FileError::cannot(action, path, std::string("Not a regular file"));
    }
    return std::nullopt;
}

LockedFile openLockedRegularFile(FileSystem& fileSystem, const std::string& path)
{
    for (int attempt = 0; attempt < kMaxLockAttempts; ++attempt) {
        LockedFile file;
        file.fd =
            FileDescriptor(fileSystem, fileSystem.open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
        if (!file.fd.isOpen() || fileSystem.fstat(file.fd.get(), file.status) != 0) {
            return failed(LockedFile::Failure::Open, errno);
        }
        if (S_ISDIR(file.status.st_mode)) {
            return failed(LockedFile::Failure::Directory);
        }
        if (!S_ISREG(file.status.st_mode)) {
            return failed(LockedFile::Failure::NotRegular);
        }
        if (lockExclusively(fileSystem, file, path) != 0) {
            if (!locksUnsupported(errno)) {
                return failed(LockedFile::Failure::Lock, errno);
            }
            return file;
        }
        struct stat current = {};
        if (fileSystem.stat(path, current) == 0 && isSameFile(file.status, current)) {
            file.status = current;
            return file;
        }
    }
    return failed(LockedFile::Failure::KeptChanging);
}

} // namespace purgix::platform
