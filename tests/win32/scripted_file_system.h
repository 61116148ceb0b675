#pragma once

#include "win32_file_system.h"

namespace purgix::test {

// The real Win32 file layer, except that ReplaceFileW fails with a chosen error for its
// first `failures` calls: what antivirus scanners, sync clients and file systems without
// ReplaceFileW do, and what Wine never does by itself.
class ScriptedFileSystem final : public platform::FileSystem
{
public:
    ScriptedFileSystem(DWORD replaceError, int failures)
        : m_replaceError(replaceError), m_failuresLeft(failures)
    {
    }

    int replaceCalls() const { return m_replaceCalls; }
    int moveCalls() const { return m_moveCalls; }

    HANDLE createFile(const std::string& path, DWORD access, DWORD share,
                      DWORD disposition) override
    {
        return m_system.createFile(path, access, share, disposition);
    }
    bool read(HANDLE file, void* buffer, DWORD size, DWORD& count) override
    {
        return m_system.read(file, buffer, size, count);
    }
    bool write(HANDLE file, const void* data, DWORD size, DWORD& count) override
    {
        return m_system.write(file, data, size, count);
    }
    bool seek(HANDLE file, std::int64_t offset) override { return m_system.seek(file, offset); }
    bool setEnd(HANDLE file) override { return m_system.setEnd(file); }
    bool size(HANDLE file, std::int64_t& size) override { return m_system.size(file, size); }
    bool flush(HANDLE file) override { return m_system.flush(file); }
    bool close(HANDLE file) override { return m_system.close(file); }
    bool information(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) override
    {
        return m_system.information(file, information);
    }
    DWORD fileType(HANDLE file) override { return m_system.fileType(file); }
    bool lock(HANDLE file) override { return m_system.lock(file); }
    DWORD attributes(const std::string& path) override { return m_system.attributes(path); }
    bool replace(const std::string& replaced, const std::string& replacement) override;
    bool move(const std::string& from, const std::string& to) override
    {
        ++m_moveCalls;
        return m_system.move(from, to);
    }
    bool remove(const std::string& path) override { return m_system.remove(path); }
    bool setRemovedOnClose(HANDLE file, bool removed) override
    {
        return m_system.setRemovedOnClose(file, removed);
    }

private:
    platform::FileSystem& m_system = platform::systemFileSystem();
    DWORD m_replaceError;
    int m_failuresLeft;
    int m_replaceCalls = 0;
    int m_moveCalls = 0;
};

} // namespace purgix::test
