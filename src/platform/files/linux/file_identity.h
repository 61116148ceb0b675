#pragma once

#include "platform/files/file_system.h"

#include <sys/types.h>

namespace purgix::platform {

// Whether this process may give a new file this owner and group: root may, and so may
// the owner for a group it belongs to; nobody else.
bool canGiveOwner(uid_t owner, gid_t group);

// Makes the new file at `toFd` look like the file at `fromFd`, which has this owner,
// group and mode: owner and group, extended attributes (ACLs among them; an ACL the new file
// inherited from its folder goes) and permission bits, in that order, since a change of owner
// clears the set-ID bits and an ACL sets the group bits. Returns 0 or the errno value of
// the first step that failed.
[[nodiscard]] int copyIdentity(FileSystem& fileSystem, int fromFd, uid_t owner, gid_t group,
                               mode_t mode, int toFd);

// Makes the copy at `toFd`, a file of this user's that only this user may open, of the file at
// `fromFd` (with this owner, group and mode) look like the file, as far as that lets in nobody
// the file does not: its whole identity where this process may give it (copyIdentity), but
// for the set-ID bits; otherwise the file's permissions for each class of users only as far
// as all those who could be in it have them on the file too. Returns 0 or an errno value.
[[nodiscard]] int copyIdentityNoWider(FileSystem& fileSystem, int fromFd, uid_t owner, gid_t group,
                                      mode_t mode, int toFd);

} // namespace purgix::platform
