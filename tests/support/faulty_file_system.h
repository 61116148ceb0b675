#pragma once

#include "platform/files/linux/linux_file_system.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace purgix::test {

// A file layer over another one (the real file system unless given) that logs every
// call and can make one chosen call fail with a chosen errno, so that tests can try a
// failure at every step of a run. It can also shorten reads and writes, and a test may
// derive from it to change what a call reports. A failed call does not reach the layer
// below, except close, which always releases the descriptor (as Linux does when close
// reports an error).
class FaultyFileSystem : public platform::FileSystem
{
public:
    enum class Operation {
        Open,
        Read,
        Write,
        Truncate,
        Seek,
        Fsync,
        Close,
        Fstat,
        Stat,
        Fchmod,
        Fchown,
        SetModifiedTime,
        Lock,
        Rename,
        Unlink,
        Access,
        RealPath,
        ReadLink,
        LinkOpenFile,
        ListXattrs,
        GetXattr,
        SetXattr,
        RemoveXattr,
        GetFlags,
        SetFlags,
        Lease,
        AppendOnly,
    };
    static constexpr std::size_t kOperationCount = 27;

    struct Call
    {
        Operation operation;
        // The path the call names, its folder's path joined to the name it was passed (a
        // rename's source); empty for calls on a descriptor.
        std::string path;
    };

    explicit FaultyFileSystem(platform::FileSystem& next = platform::systemFileSystem());

    // Makes the n-th call (1-based) fail with `errorNumber`, counting every call, or
    // only calls of `operation` when given.
    void failCall(int n, int errorNumber, std::optional<Operation> operation = std::nullopt);
    // At most so many bytes per read and per write call, as POSIX allows; 0 means no limit.
    void limitTransfers(std::size_t maxRead, std::size_t maxWrite);
    // From now on every open of an unnamed file (O_TMPFILE) fails with EOPNOTSUPP, as on
    // file systems that have none.
    void refuseUnnamedFiles() { m_refuseUnnamed = true; }
    // From now on no new file can be made in `folder` (EACCES), as in a folder one may not
    // write.
    void refuseNewFilesIn(std::string folder) { m_noNewFilesIn = std::move(folder); }
    // Runs before each call is logged and passed on, e.g. to play another process's part.
    void setBeforeCall(std::function<void(const Call&)> hook);

    // Every call so far, in order, failed ones included.
    const std::vector<Call>& callLog() const { return m_log; }
    int callCount(Operation operation) const;
    // The paths given to the calls of `operation`, in order.
    std::vector<std::string> pathsOf(Operation operation) const;
    std::size_t bytesRead() const { return m_bytesRead; }
    // The operation the injected failure hit, once it has.
    std::optional<Operation> failedOperation() const;
    // Whether a rename went through before the injected failure.
    bool renamedBeforeFault() const;

    int open(int folder, const std::string& name, int flags, mode_t mode) override;
    ssize_t read(int fd, void* buffer, std::size_t size) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
    int truncate(int fd, off_t length) override;
    off_t seek(int fd, off_t offset, int whence) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int fstat(int fd, struct stat& status) override;
    int stat(int folder, const std::string& name, struct stat& status, int flags) override;
    int fchmod(int fd, mode_t mode) override;
    int fchown(int fd, uid_t owner, gid_t group) override;
    int setModifiedTime(int fd, const struct timespec& modified) override;
    int lock(int fd, int operation) override;
    int rename(int folder, const std::string& from, const std::string& to, unsigned flags) override;
    int unlink(int folder, const std::string& name) override;
    int access(int folder, const std::string& name, int mode) override;
    std::string realPath(const std::string& path) override;
    std::string readLink(const std::string& path) override;
    int linkOpenFile(int fd, int folder, const std::string& name) override;
    int listXattrs(int fd, std::vector<std::string>& names) override;
    int getXattr(int fd, const std::string& name, std::string& value) override;
    int setXattr(int fd, const std::string& name, const std::string& value) override;
    int removeXattr(int fd, const std::string& name) override;
    int getFlags(int fd, unsigned& flags) override;
    int setFlags(int fd, unsigned flags) override;
    int lease(int fd, int type) override;
    int appendOnly(int fd) override;

private:
    // Logs the call and tells whether it is the one to fail, with errno set if so.
    bool injectFailure(Operation operation, const std::string& path = {});

    template <typename Next>
    auto forward(Operation operation, Next next, const std::string& path = {}) -> decltype(next())
    {
        if (injectFailure(operation, path)) {
            return -1;
        }
        return next();
    }

    platform::FileSystem& m_next;
    std::function<void(const Call&)> m_beforeCall;
    std::vector<Call> m_log;
    std::array<int, kOperationCount> m_counts{};
    std::optional<std::size_t> m_faultIndex; // where in the log the failure happened
    std::optional<Operation> m_failingOperation;
    int m_failingCall = 0;
    int m_errorNumber = 0;
    std::size_t m_readLimit = 0;
    std::size_t m_writeLimit = 0;
    std::size_t m_bytesRead = 0;
    bool m_refuseUnnamed = false;
    std::string m_noNewFilesIn;
};

std::string_view operationName(FaultyFileSystem::Operation operation);

} // namespace purgix::test
