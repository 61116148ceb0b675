#include "platform/files/detail/native_files.h"

#include "platform/files/detail/path_names.h"
#include "platform/files/linux/file_identity.h"
#include "platform/files/linux/leftover_name.h"
#include "platform/files/linux/linux_file_system.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace purgix::platform {

namespace {

constexpr mode_t kFallbackUmask = 022;
// The longest pause between two opens of a file that another program keeps others out of.
constexpr std::chrono::milliseconds kLeasePause{20};
constexpr const char* kCapability = "security.capability";

// The folder argument of the *at calls: the working folder for a plain path.
int folderOf(const FileLocation& location)
{
    return location.folder() == noHandle() ? AT_FDCWD : location.folder();
}

FileStatus statusOf(const struct stat& status)
{
    FileStatus result;
    result.volume = status.st_dev;
    result.index = status.st_ino;
    result.size = status.st_size;
    result.modified = status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec;
    result.links = status.st_nlink;
    result.sparse = status.st_blocks * 512 < status.st_size;
    result.writeBits = (status.st_mode & 0222) != 0;
    result.mode = status.st_mode;
    result.owner = status.st_uid;
    result.group = status.st_gid;
    return result;
}

// umask() cannot be read without being set, which would race with other threads;
// Linux shows it in /proc/self/status instead.
mode_t processUmask(FileSystem& fileSystem)
{
    NativeFile status(fileSystem, fileSystem.open(AT_FDCWD, "/proc/self/status", O_RDONLY));
    if (!status.isOpen()) {
        return kFallbackUmask;
    }
    std::array<char, 4096> buffer{};
    const ssize_t size = fileSystem.read(status.get(), buffer.data(), buffer.size() - 1);
    if (size <= 0) {
        return kFallbackUmask;
    }
    const char* field = std::strstr(buffer.data(), "\nUmask:");
    if (field == nullptr) {
        return kFallbackUmask;
    }
    return static_cast<mode_t>(std::strtoul(field + 7, nullptr, 8)) & 0777;
}

int errorOf(int result)
{
    return result == 0 ? 0 : errno;
}

} // namespace

NativeHandle noHandle()
{
    return -1;
}

void closeFile(FileSystem& fileSystem, NativeHandle file)
{
    const int savedErrno = errno;
    fileSystem.close(file);
    errno = savedErrno;
}

int resolveLocation(FileSystem& fileSystem, const std::string& path, FileLocation& location)
{
    std::string resolved = fileSystem.realPath(path);
    if (resolved.empty()) {
        if (errno != ENOENT) {
            return errno;
        }
        resolved = path;
    }
    const std::string folderPath = parentFolder(resolved);
    NativeFile folder(fileSystem, fileSystem.open(AT_FDCWD, folderPath, O_PATH | O_DIRECTORY));
    if (!folder.isOpen()) {
        return errno;
    }
    // The root folder has no name in a folder of its own: it names itself.
    const std::string name = baseName(resolved);
    location = FileLocation(std::move(folder), folderPath, name.empty() ? "." : name);
    return 0;
}

namespace {

constexpr int kMaxLinks = 40;

bool othersMayWrite(const struct stat& folder)
{
    return (folder.st_mode & (S_ISVTX | S_IWGRP | S_IWOTH)) != 0;
}

// The names of `path` from the first, in a queue that links add to at its front.
std::deque<std::string> namesOf(const std::string& path)
{
    std::deque<std::string> names;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            names.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

} // namespace

// Walks the path name by name as the system does, looking at each link it meets.
std::optional<std::string> plantedLink(FileSystem& fileSystem, const std::string& path)
{
    std::string reached = path.starts_with('/') ? "/" : ".";
    std::deque<std::string> names = namesOf(path);
    for (int links = 0; !names.empty() && links <= kMaxLinks;) {
        const std::string name = names.front();
        names.pop_front();
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            const bool upward = reached == "." || reached.ends_with("..");
            reached = upward ? joinPath(reached, "..") : parentFolder(reached);
            continue;
        }
        const std::string next = joinPath(reached, name);
        struct stat status = {};
        if (fileSystem.stat(AT_FDCWD, next, status, AT_SYMLINK_NOFOLLOW) != 0) {
            return std::nullopt; // what is missing or unreadable is reported by the run
        }
        if (!S_ISLNK(status.st_mode)) {
            reached = next;
            continue;
        }
        struct stat folder = {};
        if (fileSystem.stat(AT_FDCWD, reached, folder, 0) == 0 && othersMayWrite(folder) &&
            status.st_uid != ::geteuid() && status.st_uid != folder.st_uid) {
            return next;
        }
        const std::string target = fileSystem.readLink(next);
        if (target.empty()) {
            return std::nullopt;
        }
        std::deque<std::string> targetNames = namesOf(target);
        names.insert(names.begin(), targetNames.begin(), targetNames.end());
        reached = target.starts_with('/') ? "/" : reached;
        ++links;
    }
    return std::nullopt;
}

FileLocation plainLocation(const std::string& path)
{
    return {NativeFile(), {}, path};
}

int unresolvedLocation(FileSystem& fileSystem, const std::string& path, FileLocation& location)
{
    const std::string folderPath = parentFolder(path);
    NativeFile folder(fileSystem, fileSystem.open(AT_FDCWD, folderPath, O_PATH | O_DIRECTORY));
    if (!folder.isOpen()) {
        return errno;
    }
    const std::string name = baseName(path);
    location = FileLocation(std::move(folder), folderPath, name.empty() ? "." : name);
    return 0;
}

bool isMissing(int errorNumber)
{
    return errorNumber == ENOENT;
}

bool isDenied(int errorNumber)
{
    return errorNumber == EACCES || errorNumber == EPERM;
}

bool locksUnsupported(int errorNumber)
{
    return errorNumber == ENOLCK || errorNumber == EOPNOTSUPP || errorNumber == ENOSYS;
}

bool isTaken(int errorNumber)
{
    return errorNumber == EEXIST;
}

// FAT answers EPERM, as does the kernel where it keeps users from linking others' files.
bool linkUnavailable(int errorNumber)
{
    return errorNumber == EXDEV || errorNumber == EPERM || errorNumber == EMLINK ||
           errorNumber == EOPNOTSUPP || errorNumber == ENOSYS;
}

int statAt(FileSystem& fileSystem, const FileLocation& location, FileStatus& status)
{
    struct stat raw = {};
    if (fileSystem.stat(folderOf(location), location.name(), raw, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    status = statusOf(raw);
    return 0;
}

int statOpen(FileSystem& fileSystem, NativeHandle file, FileStatus& status)
{
    struct stat raw = {};
    if (fileSystem.fstat(file, raw) != 0) {
        return errno;
    }
    status = statusOf(raw);
    return 0;
}

// O_NONBLOCK keeps an open from waiting for a writer when the file is a FIFO, but also makes
// it fail with EWOULDBLOCK while another program holds a lease on the file, as a run does for
// the few milliseconds in which it keeps others out: the open is tried again meanwhile. A
// lease that is never given back is broken by the system after at most 45 s.
int openWithoutBlocking(FileSystem& fileSystem, const FileLocation& location, int flags)
{
    constexpr std::chrono::seconds kLongestLease{50};
    const auto giveUp = std::chrono::steady_clock::now() + kLongestLease;
    for (std::chrono::milliseconds pause{1};; pause = std::min(pause * 2, kLeasePause)) {
        const int fd = fileSystem.open(folderOf(location), location.name(), flags | O_NONBLOCK);
        if (fd >= 0 || errno != EWOULDBLOCK || std::chrono::steady_clock::now() > giveUp) {
            return fd;
        }
        std::this_thread::sleep_for(pause);
    }
}

int openForReading(FileSystem& fileSystem, const FileLocation& location, NativeFile& file,
                   FileKind& kind, bool alsoWriting)
{
    const int access = alsoWriting ? O_RDWR : O_RDONLY;
    file = NativeFile(fileSystem, openWithoutBlocking(fileSystem, location, access | O_NOCTTY));
    struct stat status = {};
    if (!file.isOpen() || fileSystem.fstat(file.get(), status) != 0) {
        return errno;
    }
    kind = S_ISREG(status.st_mode)   ? FileKind::Regular
           : S_ISDIR(status.st_mode) ? FileKind::Directory
                                     : FileKind::Other;
    return 0;
}

int openForWriting(FileSystem& fileSystem, const FileLocation& location, NativeFile& file)
{
    file = NativeFile(fileSystem,
                      openWithoutBlocking(fileSystem, location, O_WRONLY | O_NOCTTY | O_NOFOLLOW));
    return file.isOpen() ? 0 : errno;
}

int checkWriteAccess(FileSystem& fileSystem, const FileLocation& location)
{
    return errorOf(fileSystem.access(folderOf(location), location.name(), W_OK));
}

// NFS takes an exclusive lock only through a descriptor open for writing (it locks byte
// ranges on the server) and answers EBADF otherwise; the lock is then taken through such
// a descriptor. A file this process may not write is read unlocked, and refused later.
int tryLockExclusively(FileSystem& fileSystem, const FileLocation& location, const NativeFile& file,
                       const FileStatus& status, NativeFile& holder)
{
    if (holder.isOpen()) {
        return errorOf(fileSystem.lock(holder.get(), LOCK_EX | LOCK_NB));
    }
    if (fileSystem.lock(file.get(), LOCK_EX | LOCK_NB) == 0) {
        return 0;
    }
    if (errno != EBADF) {
        return errno;
    }
    FileStatus writable;
    if (openForWriting(fileSystem, location, holder) != 0 ||
        statOpen(fileSystem, holder.get(), writable) != 0 || !isSameFile(writable, status)) {
        holder.reset();
        return ENOLCK;
    }
    return errorOf(fileSystem.lock(holder.get(), LOCK_EX | LOCK_NB));
}

bool isLockBusy(int errorNumber)
{
    return errorNumber == EWOULDBLOCK;
}

bool madeByThisUser(const FileStatus& status)
{
    return status.owner == ::geteuid();
}

bool mustRewriteInPlace(const FileStatus& status)
{
    return !canGiveOwner(status.owner, status.group) || status.links > 1;
}

int copyIdentity(FileSystem& fileSystem, NativeHandle from, const FileStatus& status,
                 NativeHandle to)
{
    return copyIdentity(fileSystem, from, status.owner, status.group, status.mode, to);
}

int giveNewFileMode(FileSystem& fileSystem, NativeHandle file)
{
    return errorOf(fileSystem.fchmod(file, 0666 & ~processUmask(fileSystem)));
}

int notePrivileges(FileSystem& fileSystem, NativeHandle file, const FileStatus& status,
                   Privileges& privileges)
{
    privileges.mode = (status.mode & (S_ISUID | S_ISGID)) != 0 ? status.mode & 07777 : 0;
    if (fileSystem.getXattr(file, kCapability, privileges.capability) != 0) {
        privileges.capability.clear();
        return errno == ENODATA || errno == ENOTSUP ? 0 : errno;
    }
    return 0;
}

int restorePrivileges(FileSystem& fileSystem, NativeHandle file, const Privileges& privileges)
{
    if (privileges.mode != 0 && fileSystem.fchmod(file, privileges.mode) != 0) {
        return errno;
    }
    if (!privileges.capability.empty() &&
        fileSystem.setXattr(file, kCapability, privileges.capability) != 0) {
        return errno;
    }
    return 0;
}

// A write lease is granted only while no other descriptor has the file open. Without
// leases (another user's file, a file system that has none) nothing can be told.
namespace {

// The first line of a small file under /proc, or nothing.
std::optional<std::string> procLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    return std::getline(in, line) ? std::optional(line) : std::nullopt;
}

// Whether descriptor `fd` of process `pid` is open for writing, by its flags.
bool openForWriting(const std::string& pid, const std::string& fd)
{
    std::ifstream info("/proc/" + pid + "/fdinfo/" + fd);
    for (std::string line; std::getline(info, line);) {
        if (line.starts_with("flags:")) {
            const unsigned long flags = std::strtoul(line.c_str() + 6, nullptr, 8);
            return (flags & O_ACCMODE) != O_RDONLY;
        }
    }
    return false;
}

bool isNumber(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), ::isdigit);
}

// The names in a folder of /proc; processes come and go, so a failure only ends the list.
std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    return names;
}

// Whether descriptor `fd` of process `pid` is the file `own`, open for writing.
bool writesTo(const std::string& pid, const std::string& fd, const struct stat& own)
{
    struct stat status = {};
    const std::string link = "/proc/" + pid + "/fd/" + fd;
    return ::stat(link.c_str(), &status) == 0 && status.st_dev == own.st_dev &&
           status.st_ino == own.st_ino && openForWriting(pid, fd);
}

} // namespace

// Looks through the descriptors of every process this user may see in /proc.
std::optional<std::string> writerOf(FileSystem& fileSystem, NativeHandle file)
{
    struct stat own = {};
    if (fileSystem.fstat(file, own) != 0) {
        return std::nullopt;
    }
    const std::string self = std::to_string(::getpid());
    for (const std::string& pid : namesIn("/proc")) {
        if (!isNumber(pid) || pid == self) {
            continue;
        }
        for (const std::string& fd : namesIn("/proc/" + pid + "/fd")) {
            if (writesTo(pid, fd, own)) {
                return procLine("/proc/" + pid + "/comm").value_or("?") + " (process " + pid + ")";
            }
        }
    }
    return std::nullopt;
}

OtherWriters keepOthersOut(FileSystem& fileSystem, NativeHandle file)
{
    if (fileSystem.lease(file, F_WRLCK) == 0) {
        return OtherWriters::None;
    }
    return errno == EAGAIN ? OtherWriters::Some : OtherWriters::Unknown;
}

void letOthersIn(FileSystem& fileSystem, NativeHandle file)
{
    fileSystem.lease(file, F_UNLCK);
}

OtherWriters otherWriters(FileSystem& fileSystem, NativeHandle file)
{
    const OtherWriters writers = keepOthersOut(fileSystem, file);
    if (writers == OtherWriters::None && fileSystem.lease(file, F_UNLCK) != 0) {
        // A lease still held would make this process's own next open of the file wait:
        // one that could not be dropped counts as a writer, and the next look drops it.
        return OtherWriters::Some;
    }
    return writers;
}

int removeFile(FileSystem& fileSystem, const FileLocation& location)
{
    return errorOf(fileSystem.unlink(folderOf(location), location.name()));
}

int linkFile(FileSystem& fileSystem, NativeHandle file, const FileLocation&, const FileStatus&,
             const FileLocation& link)
{
    return errorOf(fileSystem.linkOpenFile(file, folderOf(link), link.name()));
}

int renameReplacing(FileSystem& fileSystem, const FileLocation& from, const FileLocation& to)
{
    return errorOf(fileSystem.rename(folderOf(from), from.name(), to.name(), 0));
}

int copySecurity(FileSystem&, NativeHandle, std::string& security)
{
    security.clear();
    return 0;
}

int giveCopyPermissions(FileSystem& fileSystem, NativeHandle from, const FileStatus& status,
                        NativeHandle to)
{
    return copyIdentityNoWider(fileSystem, from, status.owner, status.group, status.mode, to);
}

int giveModifiedTime(FileSystem& fileSystem, NativeHandle file, const FileStatus& status)
{
    constexpr std::int64_t kNanoseconds = 1'000'000'000;
    // Rounded down, so that a time before 1970 has its nanoseconds in range too.
    const std::int64_t seconds =
        status.modified / kNanoseconds - (status.modified % kNanoseconds < 0 ? 1 : 0);
    struct timespec modified = {};
    modified.tv_sec = static_cast<time_t>(seconds);
    modified.tv_nsec = static_cast<long>(status.modified - seconds * kNanoseconds);
    return errorOf(fileSystem.setModifiedTime(file, modified));
}

// Its failure is not reported: by then the new content stands at the path either way,
// and some file systems cannot flush a folder at all.
void syncFolder(FileSystem& fileSystem, const FileLocation& location)
{
    const NativeFile folder(fileSystem,
                            fileSystem.open(folderOf(location), ".", O_RDONLY | O_DIRECTORY));
    if (folder.isOpen()) {
        fileSystem.fsync(folder.get());
    }
}

// SIGKILL, which nothing can catch, may end a run between naming its new file and
// renaming it; the file under that name is removed by the next run that holds the lock
// (only a regular file of this user with no other name, so that nothing else goes).
void removeLeftover(FileSystem& fileSystem, const FileLocation& location)
{
    const std::string name = renamingName(location.name());
    struct stat status = {};
    if (fileSystem.stat(folderOf(location), name, status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_nlink == 1) {
        fileSystem.unlink(folderOf(location), name);
    }
}

std::ptrdiff_t readSome(FileSystem& fileSystem, NativeHandle file, char* buffer, std::size_t size)
{
    return fileSystem.read(file, buffer, size);
}

std::ptrdiff_t writeSome(FileSystem& fileSystem, NativeHandle file, const char* data,
                         std::size_t size)
{
    return fileSystem.write(file, data, size);
}

bool seekTo(FileSystem& fileSystem, NativeHandle file, std::int64_t offset)
{
    return fileSystem.seek(file, offset, SEEK_SET) == offset;
}

bool cutAt(FileSystem& fileSystem, NativeHandle file, std::int64_t length)
{
    return fileSystem.truncate(file, length) == 0;
}

int flushFile(FileSystem& fileSystem, NativeHandle file)
{
    return errorOf(fileSystem.fsync(file));
}

} // namespace purgix::platform
