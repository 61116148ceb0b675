#pragma once

#include "file_system.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace purgix::test {

// Open descriptors over byte strings in memory, for driving the line filter without the
// kernel. Read, write, truncate and seek (from the start) work on them; every other call
// fails with ENOSYS, since the filter must not need it. Short transfers and chosen
// failures come from a FaultyFileSystem over this one.
class MemoryFileSystem final : public platform::FileSystem
{
public:
    // Opens a descriptor positioned at 0 over `content`.
    int addFile(std::string content);
    const std::string& content(int fd) const;
    // A write that would make a file longer than `size` bytes fails with ENOSPC, as on a
    // full disk.
    void limitFileSize(std::size_t size) { m_sizeLimit = size; }

    ssize_t read(int fd, void* buffer, std::size_t size) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
    int truncate(int fd, off_t length) override;
    off_t seek(int fd, off_t offset, int whence) override;

    int open(const std::string&, int, mode_t) override { return unsupported(); }
    int createUnique(std::string&) override { return unsupported(); }
    int fsync(int) override { return unsupported(); }
    int close(int) override { return unsupported(); }
    int fstat(int, struct stat&) override { return unsupported(); }
    int stat(const std::string&, struct stat&) override { return unsupported(); }
    int fchmod(int, mode_t) override { return unsupported(); }
    int fchown(int, uid_t, gid_t) override { return unsupported(); }
    int lock(int, int) override { return unsupported(); }
    int rename(const std::string&, const std::string&) override { return unsupported(); }
    int unlink(const std::string&) override { return unsupported(); }
    int access(const std::string&, int) override { return unsupported(); }
    std::string realPath(const std::string& path) override;

private:
    struct OpenFile
    {
        std::string data;
        std::size_t offset = 0;
    };

    static int unsupported();
    OpenFile* find(int fd);

    std::vector<OpenFile> m_files;
    std::size_t m_sizeLimit = std::numeric_limits<std::size_t>::max();
};

} // namespace purgix::test
