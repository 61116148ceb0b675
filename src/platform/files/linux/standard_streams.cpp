#include "platform/files/standard_streams.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/standard_handles.h"
#include "platform/files/linux/linux_file_system.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace purgix::platform {

namespace {

// The most one call moves, below what sendfile and splice take at once.
constexpr std::size_t kCallLimit = std::size_t{1} << 30;

enum class Method { Splice, CopyFileRange, SendFile };

// Holds SIGPIPE back in the calling thread while it lives, so that a write to a pipe that
// nobody reads fails with EPIPE instead of ending the process; the process's handlers and
// other threads are left as they are. The kernel directs that signal at the writing
// thread, which takes it back before letting signals through again; one that was pending
// before stays pending.
class PipeSignalHeld
{
public:
    PipeSignalHeld()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        m_wasPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }

    ~PipeSignalHeld()
    {
        sigset_t pending;
        if (!m_wasPending && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
            const timespec noWait = {};
            while (sigtimedwait(&m_pipe, nullptr, &noWait) == -1 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }

    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_previous;
    bool m_wasPending = false;
};

// Errors with which a call says it cannot join these two files, where a copy through a
// buffer still can (an output open to append among them).
bool cannotJoin(int errorNumber)
{
    return errorNumber == EINVAL || errorNumber == ENOSYS || errorNumber == EXDEV ||
           errorNumber == EOPNOTSUPP || errorNumber == EBADF;
}

ssize_t moveSome(Method method, int file, loff_t& offset, int output, std::size_t size)
{
    switch (method) {
    case Method::Splice:
        return ::splice(file, &offset, output, nullptr, size, 0);
    case Method::CopyFileRange:
        return ::copy_file_range(file, &offset, output, nullptr, size, 0);
    case Method::SendFile:
        break;
    }
    off_t at = offset;
    const ssize_t count = ::sendfile(output, file, &at, size);
    offset = at;
    return count;
}

// Copies in the kernel, the way that suits the output, and tells how much in `copied`:
// short of `length`, with 0 returned, where the kernel cannot join the two files.
int copyInKernel(int file, std::int64_t length, int output, std::int64_t& copied)
{
    struct stat status = {};
    if (::fstat(output, &status) != 0) {
        return errno;
    }
    const Method method = S_ISFIFO(status.st_mode)  ? Method::Splice
                          : S_ISREG(status.st_mode) ? Method::CopyFileRange
                                                    : Method::SendFile;
    loff_t offset = 0;
    while (offset < length) {
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(length - offset, static_cast<std::int64_t>(kCallLimit)));
        const ssize_t count = moveSome(method, file, offset, output, size);
        if (count > 0) {
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        copied = offset;
        return count == 0 || cannotJoin(errno) ? 0 : errno;
    }
    copied = offset;
    return 0;
}

} // namespace

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void occupyClosedStandardStreams()
{
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (::fcntl(stream, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free number, which is this one.
            static_cast<void>(::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY));
        }
    }
}

NativeHandle standardInputHandle()
{
    return STDIN_FILENO;
}

NativeHandle standardOutputHandle()
{
    return STDOUT_FILENO;
}

int regularFileStart(FileSystem& fileSystem, NativeHandle handle, Direction direction,
                     std::optional<std::int64_t>& start)
{
    struct stat status = {};
    if (fileSystem.fstat(handle, status) != 0) {
        return errno;
    }
    if (!S_ISREG(status.st_mode)) {
        start.reset();
        return 0;
    }
    const int flags = direction == Direction::Writing ? ::fcntl(handle, F_GETFL) : 0;
    if (flags < 0) {
        return errno;
    }
    const off_t offset =
        (flags & O_APPEND) != 0 ? status.st_size : fileSystem.seek(handle, 0, SEEK_CUR);
    if (offset < 0) {
        return errno;
    }
    start = offset;
    return 0;
}

std::ptrdiff_t readStandardInput(FileSystem& fileSystem, NativeHandle input, char* buffer,
                                 std::size_t size)
{
    return readSome(fileSystem, input, buffer, size);
}

// copy_file_range, splice or sendfile, so that the bytes need not pass through this
// process; what the kernel cannot join goes through a buffer.
int copyToStandardOutput(FileSystem& fileSystem, NativeHandle file, std::int64_t length,
                         NativeHandle output)
{
    const PipeSignalHeld held;
    std::int64_t copied = 0;
    if (const int error = copyInKernel(file, length, output, copied); error != 0) {
        return error;
    }
    return copied < length ? copyBytes(fileSystem, file, copied, length, output) : 0;
}

} // namespace purgix::platform
