#pragma once

#include "file_system.h"

#include <cstddef>
#include <string>
#include <vector>

namespace purgix::fuzz {

// Open descriptors over byte strings in memory, for driving the scan without the
// kernel. Reads and writes may move fewer bytes than asked, as POSIX allows, and one
// chosen read or write may fail. Calls that take a path are not supported (ENOSYS).
class MemoryFileSystem final : public platform::FileSystem
{
public:
    // Opens a descriptor positioned at 0 over `content`.
    int addFile(std::string content);
    const std::string& content(int fd) const;

    // At most this many bytes per read or write call; 0 means no limit.
    void limitTransfers(std::size_t readLimit, std::size_t writeLimit);
    // Makes the n-th read or write call (1-based, both kinds counted together) fail.
    void failTransfer(int n, int errorNumber);

    enum class Transfer { None, Read, Write };
    // Which kind of call the failure hit, if it was reached.
    Transfer failedTransfer() const { return m_failedTransfer; }

    int open(const std::string& path, int flags, mode_t mode) override;
    int createUnique(std::string& pathTemplate) override;
    ssize_t read(int fd, void* buffer, std::size_t size) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
    int truncate(int fd, off_t length) override;
    off_t seek(int fd, off_t offset, int whence) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int fstat(int fd, struct stat& status) override;
    int stat(const std::string& path, struct stat& status) override;
    int fchmod(int fd, mode_t mode) override;
    int fchown(int fd, uid_t owner, gid_t group) override;
    int lock(int fd, int operation) override;
    int rename(const std::string& from, const std::string& to) override;
    int unlink(const std::string& path) override;
    int access(const std::string& path, int mode) override;
    std::string realPath(const std::string& path) override;

private:
    struct OpenFile
    {
        std::string data;
        std::size_t offset = 0;
        bool open = true;
    };

    OpenFile* find(int fd);
    bool transferFails(Transfer kind);

    std::vector<OpenFile> m_files;
    std::size_t m_readLimit = 0;
    std::size_t m_writeLimit = 0;
    int m_transfers = 0;
    int m_failingTransfer = 0;
    int m_failureErrno = 0;
    Transfer m_failedTransfer = Transfer::None;
};

} // namespace purgix::fuzz
