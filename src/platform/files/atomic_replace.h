#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace purgix::platform {

class FileSystem;

struct ReplaceResult
{
    bool succeeded = false;
    std::string message; // names the file and the reason when the replacement failed
};

// Replaces the file at `path` with `content` so that the path holds either the old
// content or the whole new one at every moment, even across a crash: the content is
// written to a new file beside it (created exclusively, mode 0600), flushed to disk,
// given the old file's permission bits and, where the process may, its owner and group,
// and renamed over the path. A symbolic link is followed, and stays a link. A file that
// does not exist yet is created with the permissions the umask allows; a read-only one
// is refused (see replacementRefusal). On failure the old file is untouched and no
// temporary file remains; the message reads `Cannot write "P": <reason>.` or
// `Cannot replace "P": <reason>.`.
ReplaceResult replaceFileAtomically(FileSystem& fileSystem, const std::string& path,
                                    std::string_view content);

// Why the existing file `target`, whose status is `status`, must not be replaced, as a
// message naming it by `path`; nothing when it may be. A rename needs no permission on
// the file itself, so this is checked first: a file the process may not write to stays
// as it is, and so does one without a single write bit, even for root.
std::optional<std::string> replacementRefusal(FileSystem& fileSystem, const std::string& target,
                                              const struct stat& status, const std::string& path);

// Gives the new file open at `fd` the owner and group of `original` where the process
// may (EPERM is ignored), then its permission bits, and flushes it to disk.
// Returns 0 or an errno value.
int finishNewContent(FileSystem& fileSystem, int fd, const struct stat& original);

// Flushes a folder so that a rename inside it survives a crash. Its failure is not
// reported: by then the new content stands at the path either way, and some file
// systems cannot flush a folder at all.
void syncFolder(FileSystem& fileSystem, const std::string& folder);

// Writes all of `data`, continuing after partial writes. Returns 0 or an errno value.
int writeAll(FileSystem& fileSystem, int fd, std::string_view data);

} // namespace purgix::platform
