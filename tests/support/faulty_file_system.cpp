#include "support/faulty_file_system.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <utility>

namespace purgix::test {

namespace {

using Operation = FaultyFileSystem::Operation;

// In the order of Operation, whose last member closes the count.
static_assert(static_cast<std::size_t>(Operation::AppendOnly) + 1 ==
              FaultyFileSystem::kOperationCount);
constexpr std::array<std::string_view, FaultyFileSystem::kOperationCount> kOperationNames{
    "open",         "read",       "write",      "truncate", "seek",        "fsync",
    "close",        "fstat",      "stat",       "fchmod",   "fchown",      "setModifiedTime",
    "lock",         "rename",     "unlink",     "access",   "realPath",    "readLink",
    "linkOpenFile", "listXattrs", "getXattr",   "setXattr", "removeXattr", "getFlags",
    "setFlags",     "lease",      "appendOnly",
};

std::size_t limited(std::size_t size, std::size_t limit)
{
    return limit == 0 ? size : std::min(size, limit);
}

// The path a call names: the folder's own path, read back from the descriptor, joined to
// the name.
std::string namedPath(int folder, const std::string& name)
{
    if (folder == AT_FDCWD) {
        return name;
    }
    std::array<char, 4096> target{};
    const std::string link = "/proc/self/fd/" + std::to_string(folder);
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    const std::string folderPath(target.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
    return name == "." ? folderPath : folderPath + "/" + name;
}

} // namespace

FaultyFileSystem::FaultyFileSystem(platform::FileSystem& next) : m_next(next) {}

void FaultyFileSystem::failCall(int n, int errorNumber, std::optional<Operation> operation)
{
    m_failingCall = n;
    m_errorNumber = errorNumber;
    m_failingOperation = operation;
}

void FaultyFileSystem::limitTransfers(std::size_t maxRead, std::size_t maxWrite)
{
    m_readLimit = maxRead;
    m_writeLimit = maxWrite;
}

void FaultyFileSystem::setBeforeCall(std::function<void(const Call&)> hook)
{
    m_beforeCall = std::move(hook);
}

int FaultyFileSystem::callCount(Operation operation) const
{
    return m_counts[static_cast<std::size_t>(operation)];
}

std::vector<std::string> FaultyFileSystem::pathsOf(Operation operation) const
{
    std::vector<std::string> paths;
    for (const Call& call : m_log) {
        if (call.operation == operation) {
            paths.push_back(call.path);
        }
    }
    return paths;
}

std::optional<Operation> FaultyFileSystem::failedOperation() const
{
    if (!m_faultIndex) {
        return std::nullopt;
    }
    return m_log[*m_faultIndex].operation;
}

bool FaultyFileSystem::renamedBeforeFault() const
{
    const auto end = m_log.begin() + static_cast<std::ptrdiff_t>(m_faultIndex.value_or(0));
    return m_faultIndex && std::any_of(m_log.begin(), end, [](const Call& call) {
               return call.operation == Operation::Rename;
           });
}

bool FaultyFileSystem::injectFailure(Operation operation, const std::string& path)
{
    const Call call{operation, path};
    if (m_beforeCall) {
        m_beforeCall(call);
    }
    m_log.push_back(call);
    ++m_counts[static_cast<std::size_t>(operation)];
    const bool counted = !m_failingOperation || operation == *m_failingOperation;
    const int number = m_failingOperation ? callCount(operation) : static_cast<int>(m_log.size());
    if (!counted || number != m_failingCall || m_faultIndex) {
        return false;
    }
    m_faultIndex = m_log.size() - 1;
    errno = m_errorNumber;
    return true;
}

int FaultyFileSystem::open(int folder, const std::string& name, int flags, mode_t mode)
{
    if (m_refuseUnnamed && (flags & O_TMPFILE) == O_TMPFILE) {
        injectFailure(Operation::Open, namedPath(folder, name));
        errno = EOPNOTSUPP;
        return -1;
    }
    const std::string path = namedPath(folder, name);
    const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    const std::string into = unnamed ? path : std::filesystem::path(path).parent_path().string();
    if (!m_noNewFilesIn.empty() && (unnamed || (flags & O_CREAT) != 0) && into == m_noNewFilesIn) {
        injectFailure(Operation::Open, path);
        errno = EACCES;
        return -1;
    }
    return forward(
        Operation::Open, [&] { return m_next.open(folder, name, flags, mode); },
        namedPath(folder, name));
}

ssize_t FaultyFileSystem::read(int fd, void* buffer, std::size_t size)
{
    const ssize_t count = forward(
        Operation::Read, [&] { return m_next.read(fd, buffer, limited(size, m_readLimit)); });
    m_bytesRead += count > 0 ? static_cast<std::size_t>(count) : 0;
    return count;
}

ssize_t FaultyFileSystem::write(int fd, const void* data, std::size_t size)
{
    return forward(Operation::Write,
                   [&] { return m_next.write(fd, data, limited(size, m_writeLimit)); });
}

int FaultyFileSystem::truncate(int fd, off_t length)
{
    return forward(Operation::Truncate, [&] { return m_next.truncate(fd, length); });
}

off_t FaultyFileSystem::seek(int fd, off_t offset, int whence)
{
    return forward(Operation::Seek, [&] { return m_next.seek(fd, offset, whence); });
}

int FaultyFileSystem::fsync(int fd)
{
    return forward(Operation::Fsync, [&] { return m_next.fsync(fd); });
}

int FaultyFileSystem::close(int fd)
{
    if (injectFailure(Operation::Close)) {
        const int errorNumber = errno;
        m_next.close(fd);
        errno = errorNumber;
        return -1;
    }
    return m_next.close(fd);
}

int FaultyFileSystem::fstat(int fd, struct stat& status)
{
    return forward(Operation::Fstat, [&] { return m_next.fstat(fd, status); });
}

int FaultyFileSystem::stat(int folder, const std::string& name, struct stat& status, int flags)
{
    return forward(
        Operation::Stat, [&] { return m_next.stat(folder, name, status, flags); },
        namedPath(folder, name));
}

int FaultyFileSystem::fchmod(int fd, mode_t mode)
{
    return forward(Operation::Fchmod, [&] { return m_next.fchmod(fd, mode); });
}

int FaultyFileSystem::fchown(int fd, uid_t owner, gid_t group)
{
    return forward(Operation::Fchown, [&] { return m_next.fchown(fd, owner, group); });
}

int FaultyFileSystem::setModifiedTime(int fd, const struct timespec& modified)
{
    return forward(Operation::SetModifiedTime,
                   [&] { return m_next.setModifiedTime(fd, modified); });
}

int FaultyFileSystem::lock(int fd, int operation)
{
    return forward(Operation::Lock, [&] { return m_next.lock(fd, operation); });
}

int FaultyFileSystem::rename(int folder, const std::string& from, const std::string& to,
                             unsigned flags)
{
    return forward(
        Operation::Rename, [&] { return m_next.rename(folder, from, to, flags); },
        namedPath(folder, from));
}

int FaultyFileSystem::unlink(int folder, const std::string& name)
{
    return forward(
        Operation::Unlink, [&] { return m_next.unlink(folder, name); }, namedPath(folder, name));
}

int FaultyFileSystem::access(int folder, const std::string& name, int mode)
{
    return forward(
        Operation::Access, [&] { return m_next.access(folder, name, mode); },
        namedPath(folder, name));
}

std::string FaultyFileSystem::realPath(const std::string& path)
{
    if (injectFailure(Operation::RealPath, path)) {
        return {};
    }
    return m_next.realPath(path);
}

std::string FaultyFileSystem::readLink(const std::string& path)
{
    if (injectFailure(Operation::ReadLink, path)) {
        return {};
    }
    return m_next.readLink(path);
}

int FaultyFileSystem::linkOpenFile(int fd, int folder, const std::string& name)
{
    return forward(
        Operation::LinkOpenFile, [&] { return m_next.linkOpenFile(fd, folder, name); },
        namedPath(folder, name));
}

int FaultyFileSystem::listXattrs(int fd, std::vector<std::string>& names)
{
    return forward(Operation::ListXattrs, [&] { return m_next.listXattrs(fd, names); });
}

int FaultyFileSystem::getXattr(int fd, const std::string& name, std::string& value)
{
    return forward(Operation::GetXattr, [&] { return m_next.getXattr(fd, name, value); });
}

int FaultyFileSystem::setXattr(int fd, const std::string& name, const std::string& value)
{
    return forward(Operation::SetXattr, [&] { return m_next.setXattr(fd, name, value); });
}

int FaultyFileSystem::removeXattr(int fd, const std::string& name)
{
    return forward(Operation::RemoveXattr, [&] { return m_next.removeXattr(fd, name); });
}

int FaultyFileSystem::getFlags(int fd, unsigned& flags)
{
    return forward(Operation::GetFlags, [&] { return m_next.getFlags(fd, flags); });
}

int FaultyFileSystem::setFlags(int fd, unsigned flags)
{
    return forward(Operation::SetFlags, [&] { return m_next.setFlags(fd, flags); });
}

int FaultyFileSystem::lease(int fd, int type)
{
    return forward(Operation::Lease, [&] { return m_next.lease(fd, type); });
}

int FaultyFileSystem::appendOnly(int fd)
{
    return forward(Operation::AppendOnly, [&] { return m_next.appendOnly(fd); });
}

std::string_view operationName(Operation operation)
{
    return kOperationNames[static_cast<std::size_t>(operation)];
}

} // namespace purgix::test
