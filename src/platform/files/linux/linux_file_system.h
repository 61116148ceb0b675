#pragma once

#include "platform/files/file_system.h"

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace purgix::platform {

// The file operations Purgix needs on Linux, as a thin seam over the system calls. Every
// call keeps the system's contract: it returns -1 (or a negative count) and sets errno on
// failure. Calls that name a file name it relative to an open folder (the *at calls), or
// to the working folder with AT_FDCWD. Tests substitute an implementation that fails
// chosen calls, to prove that no failure loses or half-writes a file.
class LinuxFileSystem
{
public:
    virtual ~LinuxFileSystem() = default;

    virtual int open(int folder, const std::string& name, int flags, mode_t mode = 0) = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t size) = 0;
    virtual ssize_t write(int fd, const void* data, std::size_t size) = 0;
    virtual int truncate(int fd, off_t length) = 0;
    virtual off_t seek(int fd, off_t offset, int whence) = 0;
    virtual int fsync(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int fstat(int fd, struct stat& status) = 0;
    // `flags` as fstatat takes them: AT_SYMLINK_NOFOLLOW, or 0 to follow a link.
    virtual int stat(int folder, const std::string& name, struct stat& status, int flags) = 0;
    virtual int fchmod(int fd, mode_t mode) = 0;
    virtual int fchown(int fd, uid_t owner, gid_t group) = 0;
    // Sets the file's modification time, leaving its access time (futimens).
    virtual int setModifiedTime(int fd, const struct timespec& modified) = 0;
    virtual int lock(int fd, int operation) = 0;
    // Renames within one folder; `flags` as renameat2 takes them (RENAME_EXCHANGE,
    // RENAME_NOREPLACE), or 0.
    virtual int rename(int folder, const std::string& from, const std::string& to,
                       unsigned flags) = 0;
    virtual int unlink(int folder, const std::string& name) = 0;
    // With the effective user's rights.
    virtual int access(int folder, const std::string& name, int mode) = 0;
    virtual std::string realPath(const std::string& path) = 0; // empty on failure
    virtual std::string readLink(const std::string& path) = 0; // empty on failure
    // Gives the unnamed file open at `fd` (made with O_TMPFILE) the name `name`.
    virtual int linkOpenFile(int fd, int folder, const std::string& name) = 0;
    // Extended attributes, ACLs among them (system.posix_acl_access).
    virtual int listXattrs(int fd, std::vector<std::string>& names) = 0;
    virtual int getXattr(int fd, const std::string& name, std::string& value) = 0;
    virtual int setXattr(int fd, const std::string& name, const std::string& value) = 0;
    virtual int removeXattr(int fd, const std::string& name) = 0;
    // The file's inode flags, as chattr shows them (FS_IOC_GETFLAGS, FS_IOC_SETFLAGS).
    virtual int getFlags(int fd, unsigned& flags) = 0;
    virtual int setFlags(int fd, unsigned flags) = 0;
    // Takes or drops a lease (F_SETLEASE): a write lease is granted only while no other
    // descriptor has the file open.
    virtual int lease(int fd, int type) = 0;
    // From now on every write through `fd` lands at the end of the file (O_APPEND).
    virtual int appendOnly(int fd) = 0;
};

} // namespace purgix::platform
