#pragma once

#include "file_system.h"

namespace purgix::test {

// Passes every call to the real file system; a test overrides the calls it fakes.
class ForwardingFileSystem : public platform::FileSystem
{
public:
    int open(const std::string& path, int flags, mode_t mode) override
    {
        return real().open(path, flags, mode);
    }
    int createUnique(std::string& pathTemplate) override
    {
        return real().createUnique(pathTemplate);
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override
    {
        return real().read(fd, buffer, size);
    }
    ssize_t write(int fd, const void* data, std::size_t size) override
    {
        return real().write(fd, data, size);
    }
    int truncate(int fd, off_t length) override { return real().truncate(fd, length); }
    off_t seek(int fd, off_t offset, int whence) override
    {
        return real().seek(fd, offset, whence);
    }
    int fsync(int fd) override { return real().fsync(fd); }
    int close(int fd) override { return real().close(fd); }
    int fstat(int fd, struct stat& status) override { return real().fstat(fd, status); }
    int stat(const std::string& path, struct stat& status) override
    {
        return real().stat(path, status);
    }
    int fchmod(int fd, mode_t mode) override { return real().fchmod(fd, mode); }
    int fchown(int fd, uid_t owner, gid_t group) override
    {
        return real().fchown(fd, owner, group);
    }
    int lock(int fd, int operation) override { return real().lock(fd, operation); }
    int rename(const std::string& from, const std::string& to) override
    {
        return real().rename(from, to);
    }
    int unlink(const std::string& path) override { return real().unlink(path); }
    int access(const std::string& path, int mode) override { return real().access(path, mode); }
    std::string realPath(const std::string& path) override { return real().realPath(path); }

private:
    static platform::FileSystem& real() { return platform::systemFileSystem(); }
};

} // namespace purgix::test
