#pragma once

#include "platform/files/file_system.h"

#include <cstdint>
#include <string>
#include <windows.h>

namespace purgix::platform {

// The file operations Purgix needs on Windows, as a thin seam over the wide-character
// Win32 API. Paths are UTF-8 and converted here; long ones get the "\\?\" form that lifts
// the 260-character limit. Every call keeps the Win32 contract: false (or
// INVALID_HANDLE_VALUE) on failure, with the reason in GetLastError(). Tests substitute an
// implementation that fails chosen calls.
class WindowsFileSystem
{
public:
    virtual ~WindowsFileSystem() = default;

    // Follows symbolic links; `flags` adds FILE_FLAG_* values to the normal attribute. A new
    // file gets the self-relative security descriptor `security` (see security()) where one
    // is given, its folder's default otherwise.
    virtual HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                              DWORD flags = 0, const std::string& security = {}) = 0;
    // ReOpenFile: the same file again, with other access and sharing.
    virtual HANDLE reopen(HANDLE file, DWORD access, DWORD share) = 0;
    // GetFinalPathNameByHandleW: the path of an open file, links resolved; empty on failure.
    virtual std::string finalPath(HANDLE file) = 0;
    virtual bool read(HANDLE file, void* buffer, DWORD size, DWORD& count) = 0;
    virtual bool write(HANDLE file, const void* data, DWORD size, DWORD& count) = 0;
    virtual bool seek(HANDLE file, std::int64_t offset) = 0;
    virtual bool setEnd(HANDLE file) = 0;
    virtual bool size(HANDLE file, std::int64_t& size) = 0;
    virtual bool flush(HANDLE file) = 0;
    virtual bool close(HANDLE file) = 0;
    virtual bool information(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) = 0;
    virtual DWORD fileType(HANDLE file) = 0;
    // NtQueryObject(ObjectBasicInformation): the access this process holds through `file`.
    virtual bool grantedAccess(HANDLE file, ACCESS_MASK& access) = 0;
    // Takes the run's lock on an open file; fails with ERROR_LOCK_VIOLATION while another
    // holds it.
    virtual bool lock(HANDLE file) = 0;
    virtual DWORD attributes(const std::string& path) = 0; // INVALID_FILE_ATTRIBUTES on failure
    // ReplaceFileW: `replacement` takes the place and the identity of `replaced`.
    virtual bool replace(const std::string& replaced, const std::string& replacement) = 0;
    // MoveFileExW with MOVEFILE_REPLACE_EXISTING and MOVEFILE_WRITE_THROUGH.
    virtual bool move(const std::string& from, const std::string& to) = 0;
    // SetFileInformationByHandle(FileRenameInfo): the open file (opened with DELETE access)
    // takes the name `to`; where a file has it, that one is replaced with `replaceExisting`,
    // and the call fails with ERROR_ALREADY_EXISTS without.
    virtual bool rename(HANDLE file, const std::string& to, bool replaceExisting) = 0;
    // CreateHardLinkW: the file at `existing` gets the further name `name`.
    virtual bool link(const std::string& existing, const std::string& name) = 0;
    virtual bool remove(const std::string& path) = 0;
    // Marks an open file to be removed when its last handle closes, however the process
    // ends, or takes that mark back (FileDispositionInfo).
    virtual bool setRemovedOnClose(HANDLE file, bool removed) = 0;
    // The DACL of an open file (GetKernelObjectSecurity), in a self-relative security
    // descriptor marked so that a file made with it takes nothing from its folder.
    virtual bool security(HANDLE file, std::string& descriptor) = 0;
    // The same kind of descriptor, with a DACL that lets in this process's user alone.
    virtual bool userOnlySecurity(std::string& descriptor) = 0;
    // SetFileTime: the file's last write time, in the FILETIME unit.
    virtual bool setModifiedTime(HANDLE file, std::int64_t modified) = 0;
};

} // namespace purgix::platform
