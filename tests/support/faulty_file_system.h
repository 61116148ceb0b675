#pragma once

#include "file_system.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace purgix::test {

// A file layer over a real one that logs every call and can make one chosen call fail
// with a chosen errno, so that tests can try a failure at every step of a run. It can
// also shorten reads and writes. A failed
// call does not reach the real file system, except close, which always releases the
// descriptor (as Linux does when close reports an error).
class FaultyFileSystem final : public platform::FileSystem
{
public:
    enum class Operation {
        Open,
        CreateUnique,
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
        Lock,
        Rename,
        Unlink,
        Access,
        RealPath,
    };

    explicit FaultyFileSystem(platform::FileSystem& real = platform::systemFileSystem());

    // Makes the n-th call (1-based) fail with `errorNumber`, counting every call, or
    // only calls of `operation` when given.
    void failCall(int n, int errorNumber, std::optional<Operation> operation = std::nullopt);
    // At most `maxBytes` per read or write call, as POSIX allows; 0 means no limit.
    void limitTransfers(std::size_t maxBytes) { m_transferLimit = maxBytes; }
    // Runs before each call is passed on, e.g. to play another process's part.
    void setBeforeCall(std::function<void(Operation)> hook);

    // Every call so far, in order, failed ones included.
    const std::vector<Operation>& callLog() const { return m_log; }
    int callCount(Operation operation) const;
    // Where in the log the injected failure happened, once it has.
    std::optional<std::size_t> faultIndex() const { return m_faultIndex; }
    // Whether a rename went through before the injected failure.
    bool renamedBeforeFault() const;

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
    // Logs the call and tells whether it is the one to fail, with errno set if so.
    bool injectFailure(Operation operation);

    template <typename Call> auto forward(Operation operation, Call call) -> decltype(call())
    {
        if (injectFailure(operation)) {
            return -1;
        }
        return call();
    }

    platform::FileSystem& m_real;
    std::function<void(Operation)> m_beforeCall;
    std::vector<Operation> m_log;
    std::optional<std::size_t> m_faultIndex;
    std::optional<Operation> m_failingOperation;
    int m_failingCall = 0;
    int m_errorNumber = 0;
    std::size_t m_transferLimit = 0;
};

std::string_view operationName(FaultyFileSystem::Operation operation);

} // namespace purgix::test
