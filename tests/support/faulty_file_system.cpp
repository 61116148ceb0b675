#include "faulty_file_system.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace purgix::test {

namespace {

std::size_t limited(std::size_t size, std::size_t limit)
{
    return limit == 0 ? size : std::min(size, limit);
}

} // namespace

using Operation = FaultyFileSystem::Operation;

FaultyFileSystem::FaultyFileSystem(platform::FileSystem& real) : m_real(real) {}

void FaultyFileSystem::failCall(int n, int errorNumber, std::optional<Operation> operation)
{
    m_failingCall = n;
    m_errorNumber = errorNumber;
    m_failingOperation = operation;
}

void FaultyFileSystem::setBeforeCall(std::function<void(Operation)> hook)
{
    m_beforeCall = std::move(hook);
}

int FaultyFileSystem::callCount(Operation operation) const
{
    return static_cast<int>(std::count(m_log.begin(), m_log.end(), operation));
}

bool FaultyFileSystem::renamedBeforeFault() const
{
    const auto end = m_log.begin() + static_cast<std::ptrdiff_t>(m_faultIndex.value_or(0));
    return m_faultIndex && std::find(m_log.begin(), end, Operation::Rename) != end;
}

bool FaultyFileSystem::injectFailure(Operation operation)
{
    if (m_beforeCall) {
        m_beforeCall(operation);
    }
    m_log.push_back(operation);
    const int count =
        m_failingOperation ? callCount(*m_failingOperation) : static_cast<int>(m_log.size());
    const bool counted = !m_failingOperation || operation == *m_failingOperation;
    if (!counted || count != m_failingCall || m_faultIndex) {
        return false;
    }
    m_faultIndex = m_log.size() - 1;
    errno = m_errorNumber;
    return true;
}

int FaultyFileSystem::open(const std::string& path, int flags, mode_t mode)
{
    return forward(Operation::Open, [&] { return m_real.open(path, flags, mode); });
}

int FaultyFileSystem::createUnique(std::string& pathTemplate)
{
    return forward(Operation::CreateUnique, [&] { return m_real.createUnique(pathTemplate); });
}

ssize_t FaultyFileSystem::read(int fd, void* buffer, std::size_t size)
{
    return forward(Operation::Read,
                   [&] { return m_real.read(fd, buffer, limited(size, m_transferLimit)); });
}

ssize_t FaultyFileSystem::write(int fd, const void* data, std::size_t size)
{
    return forward(Operation::Write,
                   [&] { return m_real.write(fd, data, limited(size, m_transferLimit)); });
}

int FaultyFileSystem::truncate(int fd, off_t length)
{
    return forward(Operation::Truncate, [&] { return m_real.truncate(fd, length); });
}

off_t FaultyFileSystem::seek(int fd, off_t offset, int whence)
{
    return forward(Operation::Seek, [&] { return m_real.seek(fd, offset, whence); });
}

int FaultyFileSystem::fsync(int fd)
{
    return forward(Operation::Fsync, [&] { return m_real.fsync(fd); });
}

int FaultyFileSystem::close(int fd)
{
    if (injectFailure(Operation::Close)) {
        const int errorNumber = errno;
        m_real.close(fd);
        errno = errorNumber;
        return -1;
    }
    return m_real.close(fd);
}

int FaultyFileSystem::fstat(int fd, struct stat& status)
{
    return forward(Operation::Fstat, [&] { return m_real.fstat(fd, status); });
}

int FaultyFileSystem::stat(const std::string& path, struct stat& status)
{
    return forward(Operation::Stat, [&] { return m_real.stat(path, status); });
}

int FaultyFileSystem::fchmod(int fd, mode_t mode)
{
    return forward(Operation::Fchmod, [&] { return m_real.fchmod(fd, mode); });
}

int FaultyFileSystem::fchown(int fd, uid_t owner, gid_t group)
{
    return forward(Operation::Fchown, [&] { return m_real.fchown(fd, owner, group); });
}

int FaultyFileSystem::lock(int fd, int operation)
{
    return forward(Operation::Lock, [&] { return m_real.lock(fd, operation); });
}

int FaultyFileSystem::rename(const std::string& from, const std::string& to)
{
    return forward(Operation::Rename, [&] { return m_real.rename(from, to); });
}

int FaultyFileSystem::unlink(const std::string& path)
{
    return forward(Operation::Unlink, [&] { return m_real.unlink(path); });
}

int FaultyFileSystem::access(const std::string& path, int mode)
{
    return forward(Operation::Access, [&] { return m_real.access(path, mode); });
}

std::string FaultyFileSystem::realPath(const std::string& path)
{
    if (injectFailure(Operation::RealPath)) {
        return {};
    }
    return m_real.realPath(path);
}

std::string_view operationName(Operation operation)
{
    switch (operation) {
    case Operation::Open:
        return "open";
    case Operation::CreateUnique:
        return "createUnique";
    case Operation::Read:
        return "read";
    case Operation::Write:
        return "write";
    case Operation::Truncate:
        return "truncate";
    case Operation::Seek:
        return "seek";
    case Operation::Fsync:
        return "fsync";
    case Operation::Close:
        return "close";
    case Operation::Fstat:
        return "fstat";
    case Operation::Stat:
        return "stat";
    case Operation::Fchmod:
        return "fchmod";
    case Operation::Fchown:
        return "fchown";
    case Operation::Lock:
        return "lock";
    case Operation::Rename:
        return "rename";
    case Operation::Unlink:
        return "unlink";
    case Operation::Access:
        return "access";
    case Operation::RealPath:
        return "realPath";
    }
    return "unknown";
}

} // namespace purgix::test
