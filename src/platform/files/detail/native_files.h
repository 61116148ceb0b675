#pragma once

#include "platform/files/detail/native_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The steps on files that each system does its own way, for the one replacement
// protocol (save_file.cpp) and the readers and writers over it. Each system implements
// them once, over its FileSystem seam (linux/, windows/). Error numbers are errno values
// on Linux and Win32 error codes on Windows; functions that return one return 0 on
// success.
namespace purgix::platform {

// The location of `path` with every symbolic link resolved, its folder held open. A
// path that names nothing is taken as it is, so that opening it reports the missing
// file and a save can create it. Going on unresolved after any other failure would
// replace a link by a plain file, so that fails.
[[nodiscard]] int resolveLocation(FileSystem& fileSystem, const std::string& path,
                                  FileLocation& location);
// The first symbolic link on `path` that another user could have planted to make a run
// change a file they may not: a link in a folder that others may write (sticky, or
// writable by its group or by all) that belongs neither to this user nor to the
// folder's owner, which the system's own protection may not stop. Nothing when there is
// none, or the system has no such links.
std::optional<std::string> plantedLink(FileSystem& fileSystem, const std::string& path);

// A location that names `path` as it is, relative to the working folder.
FileLocation plainLocation(const std::string& path);
// The location that names `path` itself, a symbolic link at its end included, its folder
// held open where the system allows it.
[[nodiscard]] int unresolvedLocation(FileSystem& fileSystem, const std::string& path,
                                     FileLocation& location);

// Closes a file, leaving the last error (errno, GetLastError()) as it was.
void closeFile(FileSystem& fileSystem, NativeHandle file);

// Whether an error says that a file or a folder on its path does not exist.
bool isMissing(int errorNumber);
// Whether an error says that the process may not do what it tried.
bool isDenied(int errorNumber);
// Whether an error says that the file system has no locks.
bool locksUnsupported(int errorNumber);
// Whether an error says that a file of that name exists already.
bool isTaken(int errorNumber);
// Whether an error says that the file can have no further name there: the folder is on
// another file system, or one without hard links, or the file has all the names it may.
bool linkUnavailable(int errorNumber);

// The file that `location` names now, without following a link in its place.
[[nodiscard]] int statAt(FileSystem& fileSystem, const FileLocation& location, FileStatus& status);
[[nodiscard]] int statOpen(FileSystem& fileSystem, NativeHandle file, FileStatus& status);

enum class FileKind { Regular, Directory, Other };

// Opens the file for reading (and for writing too with `alsoWriting`, which changes
// nothing in it), sharing it with everyone, without waiting on a FIFO; the caller refuses
// anything but a regular file before reading it.
[[nodiscard]] int openForReading(FileSystem& fileSystem, const FileLocation& location,
                                 NativeFile& file, FileKind& kind, bool alsoWriting = false);
[[nodiscard]] int openForWriting(FileSystem& fileSystem, const FileLocation& location,
                                 NativeFile& file);
// Whether this process may write to the file.
[[nodiscard]] int checkWriteAccess(FileSystem& fileSystem, const FileLocation& location);

// Takes the lock that runs and saves hold on a file while they replace it, if no other
// program holds it (or a lock on it that bars this one): isLockBusy() tells that answer.
// Where the system locks only through a file open for writing, the file is opened so
// into `holder`, which later attempts use.
[[nodiscard]] int tryLockExclusively(FileSystem& fileSystem, const FileLocation& location,
                                     const NativeFile& file, const FileStatus& status,
                                     NativeFile& holder);
bool isLockBusy(int errorNumber);

// Whether this user made the file (on Linux, owns it); Windows does not tell.
bool madeByThisUser(const FileStatus& status);

// Whether a rename of a new file over this one would lose what the file is (its owner
// and group, its other names), so that it must be rewritten in place.
bool mustRewriteInPlace(const FileStatus& status);
// Gives the new file at `to` what the file at `from` is (owner, group, attributes,
// permissions), where a replacement does not carry that over by itself.
[[nodiscard]] int copyIdentity(FileSystem& fileSystem, NativeHandle from, const FileStatus& status,
                               NativeHandle to);
// Gives a new file, which will stand where none was, the permissions a new file gets.
[[nodiscard]] int giveNewFileMode(FileSystem& fileSystem, NativeHandle file);

// What a write to a file takes from it: on Linux the set-user-ID and set-group-ID bits and
// the file's capabilities, which the kernel clears when the file is written. They are
// noted before the new content is written and given back after the last write.
struct Privileges
{
    std::uint32_t mode = 0; // the permission bits, when a set-ID bit is among them
    std::string capability; // the capability attribute, when the file has one
};
[[nodiscard]] int notePrivileges(FileSystem& fileSystem, NativeHandle file,
                                 const FileStatus& status, Privileges& privileges);
[[nodiscard]] int restorePrivileges(FileSystem& fileSystem, NativeHandle file,
                                    const Privileges& privileges);

enum class OtherWriters { None, Some, Unknown };
// Whether another program still has the file open for writing.
OtherWriters otherWriters(FileSystem& fileSystem, NativeHandle file);
// The program, other than this one, that has the file open for writing, as "name
// (process N)", where the system tells; nothing when none has or the system cannot tell.
std::optional<std::string> writerOf(FileSystem& fileSystem, NativeHandle file);
// Keeps every other program from opening the file until letOthersIn(): None when that
// holds. On Linux a write lease, which the system grants only while no other has the file
// open (Some otherwise); another's open then waits until it goes, 45 s at the most.
// Windows has nothing of the kind (Unknown).
OtherWriters keepOthersOut(FileSystem& fileSystem, NativeHandle file);
void letOthersIn(FileSystem& fileSystem, NativeHandle file);

// Removes the file that `location` names.
[[nodiscard]] int removeFile(FileSystem& fileSystem, const FileLocation& location);

// Gives the file open at `file`, which `location` names and `status` describes, the further
// name `link`, which no file may have yet. Linux links the open file itself; Windows links
// the name, then makes sure that the new name is that file and removes it otherwise.
[[nodiscard]] int linkFile(FileSystem& fileSystem, NativeHandle file, const FileLocation& location,
                           const FileStatus& status, const FileLocation& link);
// Renames `from` to `to` in the same folder, in one step, over whatever has that name but a
// folder: a symbolic link there is replaced, not followed.
[[nodiscard]] int renameReplacing(FileSystem& fileSystem, const FileLocation& from,
                                  const FileLocation& to);

// What a copy of `file` that must let in nobody the file does not is made with (see
// TemporaryFile): on Windows the file's DACL, or one that lets in this user alone where
// that cannot be read. Nothing on Linux, where such a file is this user's alone until
// giveCopyPermissions().
[[nodiscard]] int copySecurity(FileSystem& fileSystem, NativeHandle file, std::string& security);
// Gives the copy open at `to` of the file open at `from`, which `status` describes, as much of
// the file's permissions as lets in nobody the file does not; on Windows the copy has them
// from copySecurity().
[[nodiscard]] int giveCopyPermissions(FileSystem& fileSystem, NativeHandle from,
                                      const FileStatus& status, NativeHandle to);
// Gives the file the modification time in `status`.
[[nodiscard]] int giveModifiedTime(FileSystem& fileSystem, NativeHandle file,
                                   const FileStatus& status);

// Flushes a folder so that a rename inside it survives a crash, where that is needed.
void syncFolder(FileSystem& fileSystem, const FileLocation& location);
// Removes what a killed replacement of the file may have left beside it.
void removeLeftover(FileSystem& fileSystem, const FileLocation& location);

// Reads and writes through the seam; -1 on failure, with the reason in errno.
std::ptrdiff_t readSome(FileSystem& fileSystem, NativeHandle file, char* buffer, std::size_t size);
std::ptrdiff_t writeSome(FileSystem& fileSystem, NativeHandle file, const char* data,
                         std::size_t size);
// Moves the position; false on failure, with the reason in errno.
bool seekTo(FileSystem& fileSystem, NativeHandle file, std::int64_t offset);
// Cuts the file at `length`; false on failure, with the reason in errno.
bool cutAt(FileSystem& fileSystem, NativeHandle file, std::int64_t length);
// Puts the file's bytes on disk; 0 or an error number.
[[nodiscard]] int flushFile(FileSystem& fileSystem, NativeHandle file);

} // namespace purgix::platform
