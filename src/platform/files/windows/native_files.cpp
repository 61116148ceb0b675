#include "platform/files/detail/native_files.h"

#include "platform/files/detail/path_names.h"
#include "platform/files/wide_text.h"
#include "platform/files/windows/windows_file_system.h"

#include <cerrno>
#include <string>
#include <vector>

// <windows.h> must come first.
// clang-format off
#include <windows.h>
#include <restartmanager.h>
// clang-format on

namespace purgix::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int lastError()
{
    return static_cast<int>(::GetLastError());
}

// The byte streams report a failure through errno, as the engine reads it; on Windows
// errno then holds the Win32 error code, which errorReason() puts into words.
void setErrnoFromLastError()
{
    errno = lastError();
}

FileStatus statusOf(const BY_HANDLE_FILE_INFORMATION& information)
{
    FileStatus status;
    status.volume = information.dwVolumeSerialNumber;
    status.index =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    status.size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow);
    status.modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
        information.ftLastWriteTime.dwLowDateTime);
    status.links = information.nNumberOfLinks;
    status.writeBits = (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    return status;
}

// A path from GetFinalPathNameByHandleW without its "\\?\" prefix, where the rest is a
// drive path short enough to be used as it is (the file layer adds the prefix back to
// long paths), so that messages show the path as users write it.
std::string withoutLongPrefix(const std::string& path)
{
    constexpr std::string_view kPrefix = "\\\\?\\";
    constexpr std::string_view kUncPrefix = "\\\\?\\UNC\\";
    if (path.starts_with(kUncPrefix)) {
        return "\\\\" + path.substr(kUncPrefix.size());
    }
    return path.starts_with(kPrefix) ? path.substr(kPrefix.size()) : path;
}

} // namespace

NativeHandle noHandle()
{
    return INVALID_HANDLE_VALUE;
}

void closeFile(FileSystem& fileSystem, NativeHandle file)
{
    const DWORD saved = ::GetLastError();
    fileSystem.close(file);
    ::SetLastError(saved);
}

// Windows names every file by its path: the location holds no folder handle. A symbolic
// link (or junction) on the path is followed by opening it and asking for the path of
// what was opened.
int resolveLocation(FileSystem& fileSystem, const std::string& path, FileLocation& location)
{
    std::string resolved = path;
    const NativeFile file(fileSystem, fileSystem.createFile(path, 0, kShareAll, OPEN_EXISTING,
                                                            FILE_FLAG_BACKUP_SEMANTICS));
    if (file.isOpen()) {
        if (std::string final = fileSystem.finalPath(file.get()); !final.empty()) {
            resolved = withoutLongPrefix(final);
        }
    }
    location = FileLocation(NativeFile(), parentFolder(resolved), baseName(resolved));
    return 0;
}

std::optional<std::string> plantedLink(FileSystem&, const std::string&)
{
    return std::nullopt;
}

FileLocation plainLocation(const std::string& path)
{
    return {NativeFile(), {}, path};
}

int unresolvedLocation(FileSystem&, const std::string& path, FileLocation& location)
{
    location = FileLocation(NativeFile(), parentFolder(path), baseName(path));
    return 0;
}

bool isMissing(int errorNumber)
{
    return errorNumber == ERROR_FILE_NOT_FOUND || errorNumber == ERROR_PATH_NOT_FOUND;
}

bool isDenied(int errorNumber)
{
    return errorNumber == ERROR_ACCESS_DENIED;
}

// Byte-range locks are missing on some network shares, where files are read unlocked.
bool locksUnsupported(int errorNumber)
{
    return errorNumber == ERROR_INVALID_PARAMETER || errorNumber == ERROR_NOT_SUPPORTED ||
           errorNumber == ERROR_INVALID_FUNCTION;
}

bool isTaken(int errorNumber)
{
    return errorNumber == ERROR_FILE_EXISTS || errorNumber == ERROR_ALREADY_EXISTS;
}

// FAT and some network shares have no hard links.
bool linkUnavailable(int errorNumber)
{
    return errorNumber == ERROR_NOT_SAME_DEVICE || errorNumber == ERROR_INVALID_FUNCTION ||
           errorNumber == ERROR_NOT_SUPPORTED || errorNumber == ERROR_TOO_MANY_LINKS;
}

int statOpen(FileSystem& fileSystem, NativeHandle file, FileStatus& status)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!fileSystem.information(file, information)) {
        return lastError();
    }
    status = statusOf(information);
    return 0;
}

int statAt(FileSystem& fileSystem, const FileLocation& location, FileStatus& status)
{
    const NativeFile file(fileSystem,
                          fileSystem.createFile(location.path(), 0, kShareAll, OPEN_EXISTING,
                                                FILE_FLAG_BACKUP_SEMANTICS));
    if (!file.isOpen()) {
        return lastError();
    }
    return statOpen(fileSystem, file.get(), status);
}

int openForReading(FileSystem& fileSystem, const FileLocation& location, NativeFile& file,
                   FileKind& kind, bool alsoWriting)
{
    const std::string path = location.path();
    const DWORD attributes = fileSystem.attributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        kind = FileKind::Directory;
        return 0;
    }
    const DWORD access = alsoWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    file = NativeFile(fileSystem, fileSystem.createFile(path, access, kShareAll, OPEN_EXISTING));
    if (!file.isOpen()) {
        return lastError();
    }
    // A device ("CON", "NUL") or a pipe could wait or never end.
    kind = fileSystem.fileType(file.get()) == FILE_TYPE_DISK ? FileKind::Regular : FileKind::Other;
    return 0;
}

int openForWriting(FileSystem& fileSystem, const FileLocation& location, NativeFile& file)
{
    file = NativeFile(fileSystem, fileSystem.createFile(location.path(), GENERIC_WRITE, kShareAll,
                                                        OPEN_EXISTING));
    return file.isOpen() ? 0 : lastError();
}

int checkWriteAccess(FileSystem& fileSystem, const FileLocation& location)
{
    NativeFile writer;
    return openForWriting(fileSystem, location, writer);
}

int tryLockExclusively(FileSystem& fileSystem, const FileLocation&, const NativeFile& file,
                       const FileStatus&, NativeFile&)
{
    return fileSystem.lock(file.get()) ? 0 : lastError();
}

bool isLockBusy(int errorNumber)
{
    return errorNumber == ERROR_LOCK_VIOLATION;
}

bool madeByThisUser(const FileStatus&)
{
    return true;
}

// ReplaceFileW keeps what the file is (its security descriptor, attributes, streams); only
// other names of the file are lost by it.
bool mustRewriteInPlace(const FileStatus& status)
{
    return status.links > 1;
}

int copyIdentity(FileSystem&, NativeHandle, const FileStatus&, NativeHandle)
{
    return 0;
}

int giveNewFileMode(FileSystem&, NativeHandle)
{
    return 0;
}

int notePrivileges(FileSystem&, NativeHandle, const FileStatus&, Privileges&)
{
    return 0;
}

int restorePrivileges(FileSystem&, NativeHandle, const Privileges&)
{
    return 0;
}

// The file opened again without sharing it for writing fails exactly while another
// handle has it open for writing; which cannot tell while `file` itself writes.
OtherWriters otherWriters(FileSystem& fileSystem, NativeHandle file)
{
    ACCESS_MASK access = 0;
    if (!fileSystem.grantedAccess(file, access) ||
        (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0) {
        return OtherWriters::Unknown;
    }
    const NativeFile probe(
        fileSystem, fileSystem.reopen(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE));
    if (probe.isOpen()) {
        return OtherWriters::None;
    }
    return ::GetLastError() == ERROR_SHARING_VIOLATION ? OtherWriters::Some : OtherWriters::Unknown;
}

// The Restart Manager lists the processes that have a file open. Only when one other
// process has it is that one surely the writer; otherwise the writer stays unnamed.
std::optional<std::string> writerOf(FileSystem& fileSystem, NativeHandle file)
{
    const std::string unnamed = "another program";
    const std::wstring path = wideText(withoutLongPrefix(fileSystem.finalPath(file)));
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (path.empty() || ::RmStartSession(&session, 0, key) != ERROR_SUCCESS) {
        return unnamed;
    }
    LPCWSTR files[] = {path.c_str()};
    std::vector<RM_PROCESS_INFO> users(8);
    UINT needed = 0;
    auto count = static_cast<UINT>(users.size());
    DWORD reasons = 0;
    const bool listed =
        ::RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
        ::RmGetList(session, &needed, &count, users.data(), &reasons) == ERROR_SUCCESS;
    ::RmEndSession(session);
    std::vector<const RM_PROCESS_INFO*> others;
    for (UINT i = 0; listed && i < count; ++i) {
        if (users[i].Process.dwProcessId != ::GetCurrentProcessId()) {
            others.push_back(&users[i]);
        }
    }
    if (others.size() != 1) {
        return unnamed;
    }
    return utf8Text(others.front()->strAppName) + " (process " +
           std::to_string(others.front()->Process.dwProcessId) + ")";
}

OtherWriters keepOthersOut(FileSystem&, NativeHandle)
{
    return OtherWriters::Unknown;
}

void letOthersIn(FileSystem&, NativeHandle) {}

int removeFile(FileSystem& fileSystem, const FileLocation& location)
{
    return fileSystem.remove(location.path()) ? 0 : lastError();
}

// Windows links only by path: should another file have come to the path since `file` was
// opened, the new name is that one's, and goes again.
int linkFile(FileSystem& fileSystem, NativeHandle, const FileLocation& location,
             const FileStatus& status, const FileLocation& link)
{
    if (!fileSystem.link(location.path(), link.path())) {
        return lastError();
    }
    FileStatus linked;
    int error = statAt(fileSystem, link, linked);
    if (error == 0 && !isSameFile(linked, status)) {
        error = ERROR_FILE_INVALID;
    }
    if (error != 0) {
        static_cast<void>(removeFile(fileSystem, link));
    }
    return error;
}

int renameReplacing(FileSystem& fileSystem, const FileLocation& from, const FileLocation& to)
{
    return fileSystem.move(from.path(), to.path()) ? 0 : lastError();
}

int copySecurity(FileSystem& fileSystem, NativeHandle file, std::string& security)
{
    if (fileSystem.security(file, security) || fileSystem.userOnlySecurity(security)) {
        return 0;
    }
    // Made without a descriptor, the copy would take its folder's default: it is not made.
    const int error = lastError();
    return error != 0 ? error : ERROR_INVALID_SECURITY_DESCR;
}

int giveCopyPermissions(FileSystem&, NativeHandle, const FileStatus&, NativeHandle)
{
    return 0;
}

int giveModifiedTime(FileSystem& fileSystem, NativeHandle file, const FileStatus& status)
{
    return fileSystem.setModifiedTime(file, status.modified) ? 0 : lastError();
}

// MOVEFILE_WRITE_THROUGH and ReplaceFileW flush what they change.
void syncFolder(FileSystem&, const FileLocation&) {}

// A killed replacement leaves nothing: the new file is removed with its last handle until
// the moment it is put in place.
void removeLeftover(FileSystem&, const FileLocation&) {}

namespace {

// ReadFile and WriteFile take 32-bit sizes and tell how much they moved.
template <typename Call> std::ptrdiff_t transfer(std::size_t size, Call call)
{
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
    DWORD count = 0;
    if (!call(chunk, count)) {
        setErrnoFromLastError();
        return -1;
    }
    return static_cast<std::ptrdiff_t>(count);
}

} // namespace

std::ptrdiff_t readSome(FileSystem& fileSystem, NativeHandle file, char* buffer, std::size_t size)
{
    return transfer(size, [&](DWORD chunk, DWORD& count) {
        return fileSystem.read(file, buffer, chunk, count);
    });
}

std::ptrdiff_t writeSome(FileSystem& fileSystem, NativeHandle file, const char* data,
                         std::size_t size)
{
    return transfer(size, [&](DWORD chunk, DWORD& count) {
        return fileSystem.write(file, data, chunk, count);
    });
}

bool seekTo(FileSystem& fileSystem, NativeHandle file, std::int64_t offset)
{
    if (!fileSystem.seek(file, offset)) {
        setErrnoFromLastError();
        return false;
    }
    return true;
}

bool cutAt(FileSystem& fileSystem, NativeHandle file, std::int64_t length)
{
    if (!fileSystem.seek(file, length) || !fileSystem.setEnd(file)) {
        setErrnoFromLastError();
        return false;
    }
    return true;
}

int flushFile(FileSystem& fileSystem, NativeHandle file)
{
    return fileSystem.flush(file) ? 0 : lastError();
}

} // namespace purgix::platform
