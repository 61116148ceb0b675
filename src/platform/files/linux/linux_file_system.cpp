#include "platform/files/linux/linux_file_system.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
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

class SystemCalls final : public LinuxFileSystem
{
public:
    int open(int folder, const std::string& name, int flags, mode_t mode) override
    {
        return retryOnInterrupt(
            [&] { return ::openat(folder, name.c_str(), flags | O_CLOEXEC, mode); });
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

    int stat(int folder, const std::string& name, struct stat& status, int flags) override
    {
        return ::fstatat(folder, name.c_str(), &status, flags);
    }

    int fchmod(int fd, mode_t mode) override { return ::fchmod(fd, mode); }

    int fchown(int fd, uid_t owner, gid_t group) override { return ::fchown(fd, owner, group); }

    int setModifiedTime(int fd, const struct timespec& modified) override
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, modified};
        return ::futimens(fd, times);
    }

    int lock(int fd, int operation) override
    {
        return retryOnInterrupt([&] { return ::flock(fd, operation); });
    }

    int rename(int folder, const std::string& from, const std::string& to, unsigned flags) override
    {
        return ::renameat2(folder, from.c_str(), folder, to.c_str(), flags);
    }

    int unlink(int folder, const std::string& name) override
    {
        return ::unlinkat(folder, name.c_str(), 0);
    }

    int access(int folder, const std::string& name, int mode) override
    {
        return ::faccessat(folder, name.c_str(), mode, AT_EACCESS);
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

    std::string readLink(const std::string& path) override
    {
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
            return {};
        }
        target.resize(static_cast<std::size_t>(length));
        return target;
    }

    int linkOpenFile(int fd, int folder, const std::string& name) override
    {
        // linkat with AT_EMPTY_PATH needs a capability; the /proc link does not.
        const std::string source = "/proc/self/fd/" + std::to_string(fd);
        return ::linkat(AT_FDCWD, source.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW);
    }

    int listXattrs(int fd, std::vector<std::string>& names) override
    {
        std::string list;
        if (readSized(list, [&](char* data, std::size_t size) {
                return ::flistxattr(fd, data, size);
            }) != 0) {
            return -1;
        }
        names.clear();
        for (std::size_t start = 0; start < list.size();) {
            const std::size_t end = list.find('\0', start);
            names.push_back(list.substr(start, end - start));
            start = end == std::string::npos ? list.size() : end + 1;
        }
        return 0;
    }

    int getXattr(int fd, const std::string& name, std::string& value) override
    {
        return readSized(value, [&](char* data, std::size_t size) {
            return ::fgetxattr(fd, name.c_str(), data, size);
        });
    }

    int setXattr(int fd, const std::string& name, const std::string& value) override
    {
        return ::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0);
    }

    int removeXattr(int fd, const std::string& name) override
    {
        return ::fremovexattr(fd, name.c_str());
    }

    int getFlags(int fd, unsigned& flags) override
    {
        int value = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &value) != 0) {
            return -1;
        }
        flags = static_cast<unsigned>(value);
        return 0;
    }

    int setFlags(int fd, unsigned flags) override
    {
        int value = static_cast<int>(flags);
        return ::ioctl(fd, FS_IOC_SETFLAGS, &value);
    }

    int lease(int fd, int type) override
    {
        // Another program's open breaks the lease, and the kernel tells the holder with a
        // signal: SIGIO unless chosen, which would end the process. SIGURG is ignored.
        if (type != F_UNLCK && ::fcntl(fd, F_SETSIG, SIGURG) != 0) {
            return -1;
        }
        return ::fcntl(fd, F_SETLEASE, type);
    }

    int appendOnly(int fd) override
    {
        const int flags = ::fcntl(fd, F_GETFL);
        return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags | O_APPEND);
    }

private:
    // Calls `query` for the size, then for the bytes, again when they grew in between.
    template <typename Query> static int readSized(std::string& result, Query query)
    {
        for (;;) {
            const ssize_t size = query(nullptr, 0);
            if (size < 0) {
                return -1;
            }
            result.resize(static_cast<std::size_t>(size));
            const ssize_t got = query(result.data(), result.size());
            if (got >= 0) {
                result.resize(static_cast<std::size_t>(got));
                return 0;
            }
            if (errno != ERANGE) {
                return -1;
            }
        }
    }
};

} // namespace

FileSystem& systemFileSystem()
{
    static SystemCalls instance;
    return instance;
}

} // namespace purgix::platform
