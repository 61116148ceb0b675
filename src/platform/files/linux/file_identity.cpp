#include "platform/files/linux/file_identity.h"

#include "platform/files/linux/linux_file_system.h"

#include <algorithm>
#include <cerrno>
#include <linux/fs.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace purgix::platform {

namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";

bool inGroup(gid_t group)
{
    if (group == ::getegid()) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.end();
}

bool unsupported(int errorNumber)
{
    return errorNumber == ENOTSUP || errorNumber == ENOSYS;
}

int copyOwner(FileSystem& fileSystem, uid_t owner, gid_t group, int toFd)
{
    struct stat to = {};
    if (fileSystem.fstat(toFd, to) != 0) {
        return errno;
    }
    if (to.st_uid == owner && to.st_gid == group) {
        return 0;
    }
    return fileSystem.fchown(toFd, owner, group) == 0 ? 0 : errno;
}

int copyAttributes(FileSystem& fileSystem, int fromFd, int toFd)
{
    std::vector<std::string> wanted;
    if (fileSystem.listXattrs(fromFd, wanted) != 0) {
        return unsupported(errno) ? 0 : errno;
    }
    std::vector<std::string> present;
    if (fileSystem.listXattrs(toFd, present) != 0 && !unsupported(errno)) {
        return errno;
    }
    // A new file takes its folder's default ACL; the file it replaces may have had none.
    for (const std::string& name : present) {
        const bool inherited = name.starts_with("system.posix_acl_") &&
                               std::find(wanted.begin(), wanted.end(), name) == wanted.end();
        if (inherited && fileSystem.removeXattr(toFd, name) != 0) {
            return errno;
        }
    }
    std::string value;
    for (const std::string& name : wanted) {
        if (fileSystem.getXattr(fromFd, name, value) != 0 ||
            fileSystem.setXattr(toFd, name, value) != 0) {
            return errno;
        }
    }
    return 0;
}

// The inode flags a user may set and a new file does not take by itself: no dump, no
// access time, synchronous writes, compression and its opposite, no copy on write (which
// must be set while the file is still empty, as the new file is).
constexpr unsigned kCopiedFlags =
    FS_NODUMP_FL | FS_NOATIME_FL | FS_SYNC_FL | FS_COMPR_FL | FS_NOCOMP_FL | FS_NOCOW_FL;

bool flagsUnsupported(int errorNumber)
{
    return errorNumber == ENOTTY || errorNumber == EOPNOTSUPP || errorNumber == EINVAL ||
           errorNumber == ENOSYS;
}

// A new file takes its folder's flags; the file it replaces may have had others.
int copyFlags(FileSystem& fileSystem, int fromFd, int toFd)
{
    unsigned wanted = 0;
    unsigned present = 0;
    if (fileSystem.getFlags(fromFd, wanted) != 0 || fileSystem.getFlags(toFd, present) != 0) {
        return flagsUnsupported(errno) ? 0 : errno;
    }
    const unsigned flags = (present & ~kCopiedFlags) | (wanted & kCopiedFlags);
    if (flags == present) {
        return 0;
    }
    return fileSystem.setFlags(toFd, flags) == 0 ? 0 : errno;
}

} // namespace

bool canGiveOwner(uid_t owner, gid_t group)
{
    return ::geteuid() == 0 || (owner == ::geteuid() && inGroup(group));
}

int copyIdentity(FileSystem& fileSystem, int fromFd, uid_t owner, gid_t group, mode_t mode,
                 int toFd)
{
    if (const int error = copyOwner(fileSystem, owner, group, toFd); error != 0) {
        return error;
    }
    if (const int error = copyAttributes(fileSystem, fromFd, toFd); error != 0) {
        return error;
    }
    if (const int error = copyFlags(fileSystem, fromFd, toFd); error != 0) {
        return error;
    }
    return fileSystem.fchmod(toFd, mode & 07777) == 0 ? 0 : errno;
}

int copyIdentityNoWider(FileSystem& fileSystem, int fromFd, uid_t owner, gid_t group, mode_t mode,
                        int toFd)
{
    if (copyIdentity(fileSystem, fromFd, owner, group, mode & 0777, toFd) == 0) {
        return 0;
    }
    // An ACL the copy took from its folder, or from the attempt above, goes.
    if (fileSystem.removeXattr(toFd, kAccessAcl) != 0 && errno != ENODATA && !unsupported(errno)) {
        return errno;
    }
    // Whom an ACL on the file keeps out, its group and other bits do not tell: the copy of
    // such a file, or of one whose ACL cannot be read, keeps to its owner.
    std::string acl;
    const bool aclFree = fileSystem.getXattr(fromFd, kAccessAcl, acl) != 0 &&
                         (errno == ENODATA || unsupported(errno));
    // The file's owner may be in its group, or among the others of the copy; and where the
    // copy cannot have the file's group, its others include that group.
    const mode_t ownerBits = (mode >> 6) & 07;
    const mode_t groupBits = (mode >> 3) & 07;
    const bool sameGroup = aclFree && fileSystem.fchown(toFd, static_cast<uid_t>(-1), group) == 0;
    const mode_t copyGroup = sameGroup ? groupBits & ownerBits : 0;
    const mode_t copyOthers = aclFree ? mode & ownerBits & (sameGroup ? 07 : groupBits) : 0;
    const mode_t copyMode = (mode & 0700) | 0600 | (copyGroup << 3) | copyOthers;
    return fileSystem.fchmod(toFd, copyMode) == 0 ? 0 : errno;
}

} // namespace purgix::platform
