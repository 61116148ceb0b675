#include "file_system.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace purgix::platform {

namespace {

// Retries a call that a signal interrupted before it did anything.
template <typename Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

class PosixFileSystem final : public FileSystem
{
public:
    int open(const std::string& path, int flags, mode_t mode) override
    {
        return retryOnInterrupt([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
    }

    int createUnique(std::string& pathTemplate) override
    {
        return ::mkostemp(pathTemplate.data(), O_CLOEXEC);
    }

    ssize_t read(int fd, void* buffer, std::size_t size) override
    {
        return retryOnInterrupt([&] { return ::read(fd, buffer, size); });
    }

    ssize_t write(int fd, const void* data, std::size_t size) override
    {
        return retryOnInterrupt([&] { return ::write(fd, data, size); });
    }

    int truncate(int fd, off_t length) override
    {
        return retryOnInterrupt([&] { return ::ftruncate(fd, length); });
    }

    off_t seek(int fd, off_t offset, int whence) override { return ::lseek(fd, offset, whence); }

    int fsync(int fd) override
    {
        return retryOnInterrupt([&] { return ::fsync(fd); });
    }

    int close(int fd) override { return ::close(fd); }

    int fstat(int fd, struct stat& status) override { return ::fstat(fd, &status); }

    int stat(const std::string& path, struct stat& status) override
    {
        return ::stat(path.c_str(), &status);
    }

    int fchmod(int fd, mode_t mode) override { return ::fchmod(fd, mode); }

    int fchown(int fd, uid_t owner, gid_t group) override { return ::fchown(fd, owner, group); }

    int lock(int fd, int operation) override
    {
        return retryOnInterrupt([&] { return ::flock(fd, operation); });
    }

    int rename(const std::string& from, const std::string& to) override
    {
        return ::rename(from.c_str(), to.c_str());
    }

    int unlink(const std::string& path) override { return ::unlink(path.c_str()); }

    int access(const std::string& path, int mode) override
    {
        return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS);
    }

    std::string realPath(const std::string& path) override
    {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr) {
            return {};
        }
        std::string result(resolved);
        std::free(resolved);
        return result;
    }
};

} // namespace

FileSystem& systemFileSystem()
{
    static PosixFileSystem instance;
    return instance;
}

} // namespace purgix::platform
