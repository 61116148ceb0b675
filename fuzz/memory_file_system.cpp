#include "memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace purgix::fuzz {

namespace {

// Descriptors start above the standard streams so that a stray call on 0-2 is caught.
constexpr int kFirstDescriptor = 3;

int unsupported()
{
    errno = ENOSYS;
    return -1;
}

std::size_t limited(std::size_t size, std::size_t limit)
{
    return limit == 0 ? size : std::min(size, limit);
}

} // namespace

int MemoryFileSystem::addFile(std::string content)
{
    m_files.push_back({std::move(content)});
    return kFirstDescriptor + static_cast<int>(m_files.size()) - 1;
}

const std::string& MemoryFileSystem::content(int fd) const
{
    return m_files.at(static_cast<std::size_t>(fd - kFirstDescriptor)).data;
}

void MemoryFileSystem::limitTransfers(std::size_t readLimit, std::size_t writeLimit)
{
    m_readLimit = readLimit;
    m_writeLimit = writeLimit;
}

void MemoryFileSystem::failTransfer(int n, int errorNumber)
{
    m_failingTransfer = n;
    m_failureErrno = errorNumber;
}

MemoryFileSystem::OpenFile* MemoryFileSystem::find(int fd)
{
    const int index = fd - kFirstDescriptor;
    if (index < 0 || index >= static_cast<int>(m_files.size()) ||
        !m_files[static_cast<std::size_t>(index)].open) {
        errno = EBADF;
        return nullptr;
    }
    return &m_files[static_cast<std::size_t>(index)];
}

bool MemoryFileSystem::transferFails(Transfer kind)
{
    if (++m_transfers != m_failingTransfer) {
        return false;
    }
    m_failedTransfer = kind;
    errno = m_failureErrno;
    return true;
}

int MemoryFileSystem::open(const std::string&, int, mode_t)
{
    return unsupported();
}

int MemoryFileSystem::createUnique(std::string&)
{
    return unsupported();
}

ssize_t MemoryFileSystem::read(int fd, void* buffer, std::size_t size)
{
    OpenFile* file = find(fd);
    if (file == nullptr || transferFails(Transfer::Read)) {
        return -1;
    }
    const std::size_t available = file->data.size() - std::min(file->offset, file->data.size());
    const std::size_t count = std::min(limited(size, m_readLimit), available);
    std::memcpy(buffer, file->data.data() + file->offset, count);
    file->offset += count;
    return static_cast<ssize_t>(count);
}

ssize_t MemoryFileSystem::write(int fd, const void* data, std::size_t size)
{
    OpenFile* file = find(fd);
    if (file == nullptr || transferFails(Transfer::Write)) {
        return -1;
    }
    const std::size_t count = limited(size, m_writeLimit);
    if (file->data.size() < file->offset + count) {
        file->data.resize(file->offset + count);
    }
    std::memcpy(file->data.data() + file->offset, data, count);
    file->offset += count;
    return static_cast<ssize_t>(count);
}

int MemoryFileSystem::truncate(int fd, off_t length)
{
    OpenFile* file = find(fd);
    if (file == nullptr) {
        return -1;
    }
    if (length < 0) {
        errno = EINVAL;
        return -1;
    }
    file->data.resize(static_cast<std::size_t>(length));
    return 0;
}

off_t MemoryFileSystem::seek(int fd, off_t offset, int whence)
{
    OpenFile* file = find(fd);
    if (file == nullptr) {
        return -1;
    }
    off_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<off_t>(file->offset);
    } else if (whence == SEEK_END) {
        base = static_cast<off_t>(file->data.size());
    } else if (whence != SEEK_SET) {
        errno = EINVAL;
        return -1;
    }
    if (base + offset < 0) {
        errno = EINVAL;
        return -1;
    }
    file->offset = static_cast<std::size_t>(base + offset);
    return base + offset;
}

int MemoryFileSystem::fsync(int fd)
{
    return find(fd) == nullptr ? -1 : 0;
}

int MemoryFileSystem::close(int fd)
{
    OpenFile* file = find(fd);
    if (file == nullptr) {
        return -1;
    }
    file->open = false;
    return 0;
}

int MemoryFileSystem::fstat(int fd, struct stat& status)
{
    OpenFile* file = find(fd);
    if (file == nullptr) {
        return -1;
    }
    status = {};
    status.st_mode = S_IFREG | 0600;
    status.st_size = static_cast<off_t>(file->data.size());
    status.st_nlink = 1;
    return 0;
}

int MemoryFileSystem::stat(const std::string&, struct stat&)
{
    return unsupported();
}

int MemoryFileSystem::fchmod(int fd, mode_t)
{
    return find(fd) == nullptr ? -1 : 0;
}

int MemoryFileSystem::fchown(int fd, uid_t, gid_t)
{
    return find(fd) == nullptr ? -1 : 0;
}

int MemoryFileSystem::lock(int fd, int)
{
    return find(fd) == nullptr ? -1 : 0;
}

int MemoryFileSystem::rename(const std::string&, const std::string&)
{
    return unsupported();
}

int MemoryFileSystem::unlink(const std::string&)
{
    return unsupported();
}

int MemoryFileSystem::access(const std::string&, int)
{
    return unsupported();
}

std::string MemoryFileSystem::realPath(const std::string&)
{
    errno = ENOSYS;
    return {};
}

} // namespace purgix::fuzz
