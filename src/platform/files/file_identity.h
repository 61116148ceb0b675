#pragma once

#include <sys/stat.h>

namespace purgix::platform {

class FileSystem;

// Whether this process may give a new file the owner and group in `status`: root may,
// and so may the owner for a group it belongs to; nobody else.
bool canGiveOwner(const struct stat& status);

// Makes the new file at `toFd` look like the file at `fromFd`, whose status is `from`:
// owner and group, extended attributes (ACLs among them; an ACL the new file inherited
// from its folder goes) and permission bits, in that order, since a change of owner
// clears the set-ID bits and an ACL sets the group bits. Returns 0 or the errno value of
// the first step that failed.
int copyIdentity(FileSystem& fileSystem, int fromFd, const struct stat& from, int toFd);

} // namespace purgix::platform
