#pragma once

#include "platform/files/windows/windows_file_system.h"

#include <functional>
#include <string>
#include <utility>

namespace purgix::test {

// The real Win32 file layer, except that ReplaceFileW fails with a chosen error for its
// first `failures` calls: what antivirus scanners, sync clients and file systems without
// ReplaceFileW do, and what Wine never does by itself. It can also refuse new files in a
// folder, as a folder without the right to add files does (Wine runs as root here), and
// play another program's part before each flush.
class ScriptedFileSystem final : public platform::WindowsFileSystem
{
public:
    ScriptedFileSystem(DWORD replaceError = ERROR_SUCCESS, int failures = 0)
        : m_replaceError(replaceError), m_failuresLeft(failures)
    {
    }

    // Refuses new files in every folder of this name.
    void refuseNewFilesIn(std::string folderName) { m_refusedFolder = std::move(folderName); }
    void beforeFlush(std::function<void()> hook) { m_beforeFlush = std::move(hook); }

    int replaceCalls() const { return m_replaceCalls; }
    int moveCalls() const { return m_moveCalls; }

    // Makes the n-th call of any kind (1-based) fail with `error`; calls() counts them.
    void failCall(int n, DWORD error)
    {
        m_failingCall = n;
        m_callError = error;
    }
    int calls() const { return m_calls; }
    // Whether the failing call was a removal, which leaves its file.
    bool removalFailed() const { return m_removalFailed; }

    HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags, const std::string& security) override;
    HANDLE reopen(HANDLE file, DWORD access, DWORD share) override
    {
        return fails() ? INVALID_HANDLE_VALUE : m_system.reopen(file, access, share);
    }
    std::string finalPath(HANDLE file) override
    {
        return fails() ? std::string() : m_system.finalPath(file);
    }
    bool read(HANDLE file, void* buffer, DWORD size, DWORD& count) override
    {
        return !fails() && m_system.read(file, buffer, size, count);
    }
    bool write(HANDLE file, const void* data, DWORD size, DWORD& count) override
    {
        return !fails() && m_system.write(file, data, size, count);
    }
    bool seek(HANDLE file, std::int64_t offset) override
    {
        return !fails() && m_system.seek(file, offset);
    }
    bool setEnd(HANDLE file) override { return !fails() && m_system.setEnd(file); }
    bool size(HANDLE file, std::int64_t& size) override
    {
        return !fails() && m_system.size(file, size);
    }
    bool flush(HANDLE file) override
    {
        if (m_beforeFlush) {
            m_beforeFlush();
        }
        return !fails() && m_system.flush(file);
    }
    // A failed close still releases the handle, as the system's does.
    bool close(HANDLE file) override
    {
        const bool failed = fails();
        const bool closed = m_system.close(file);
        if (failed) {
            ::SetLastError(m_callError);
        }
        return closed && !failed;
    }
    bool information(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) override
    {
        return !fails() && m_system.information(file, information);
    }
    DWORD fileType(HANDLE file) override
    {
        return fails() ? FILE_TYPE_UNKNOWN : m_system.fileType(file);
    }
    bool grantedAccess(HANDLE file, ACCESS_MASK& access) override
    {
        return !fails() && m_system.grantedAccess(file, access);
    }
    bool lock(HANDLE file) override { return !fails() && m_system.lock(file); }
    DWORD attributes(const std::string& path) override
    {
        return fails() ? INVALID_FILE_ATTRIBUTES : m_system.attributes(path);
    }
    bool replace(const std::string& replaced, const std::string& replacement) override;
    bool move(const std::string& from, const std::string& to) override
    {
        ++m_moveCalls;
        return !fails() && m_system.move(from, to);
    }
    bool rename(HANDLE file, const std::string& to, bool replaceExisting) override
    {
        return !fails() && m_system.rename(file, to, replaceExisting);
    }
    bool link(const std::string& existing, const std::string& name) override
    {
        return !fails() && m_system.link(existing, name);
    }
    bool remove(const std::string& path) override
    {
        m_removalFailed = fails();
        return !m_removalFailed && m_system.remove(path);
    }
    bool setRemovedOnClose(HANDLE file, bool removed) override
    {
        return !fails() && m_system.setRemovedOnClose(file, removed);
    }
    bool security(HANDLE file, std::string& descriptor) override
    {
        return !fails() && m_system.security(file, descriptor);
    }
    bool userOnlySecurity(std::string& descriptor) override
    {
        return !fails() && m_system.userOnlySecurity(descriptor);
    }
    bool setModifiedTime(HANDLE file, std::int64_t modified) override
    {
        return !fails() && m_system.setModifiedTime(file, modified);
    }

private:
    platform::FileSystem& m_system = platform::systemFileSystem();
    std::string m_refusedFolder;
    std::function<void()> m_beforeFlush;
    DWORD m_replaceError;
    int m_failuresLeft;
    int m_replaceCalls = 0;
    int m_moveCalls = 0;
    int m_calls = 0;
    bool m_removalFailed = false;
    int m_failingCall = 0;
    DWORD m_callError = ERROR_SUCCESS;

    // Counts the call and tells whether it is the one to fail, with the error set if so.
    bool fails()
    {
        if (++m_calls != m_failingCall) {
            return false;
        }
        ::SetLastError(m_callError);
        return true;
    }
};

} // namespace purgix::test
