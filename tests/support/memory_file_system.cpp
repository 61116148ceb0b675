#include "memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace purgix::test {

namespace {

// Descriptors start above the standard streams so that a stray call on 0-2 is caught.
constexpr int kFirstDescriptor = 3;

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

int MemoryFileSystem::unsupported()
{
    errno = ENOSYS;
    return -1;
}

std::string MemoryFileSystem::realPath(const std::string&)
{
    unsupported();
    return {};
}

MemoryFileSystem::OpenFile* MemoryFileSystem::find(int fd)
{
    const int index = fd - kFirstDescriptor;
    if (index < 0 || index >= static_cast<int>(m_files.size())) {
        errno = EBADF;
        return nullptr;
    }
    return &m_files[static_cast<std::size_t>(index)];
}

ssize_t MemoryFileSystem::read(int fd, void* buffer, std::size_t size)
{
    OpenFile* file = find(fd);
    if (file == nullptr) {
        return -1;
    }
    const std::size_t available = file->data.size() - std::min(file->offset, file->data.size());
    const std::size_t count = std::min(size, available);
    std::memcpy(buffer, file->data.data() + file->offset, count);
    file->offset += count;
    return static_cast<ssize_t>(count);
}

ssize_t MemoryFileSystem::write(int fd, const void* data, std::size_t size)
{
    OpenFile* file = find(fd);
    if (file == nullptr) {
        return -1;
    }
    if (file->offset + size > m_sizeLimit) {
        errno = ENOSPC;
        return -1;
    }
    if (file->data.size() < file->offset + size) {
        file->data.resize(file->offset + size);
    }
    std::memcpy(file->data.data() + file->offset, data, size);
    file->offset += size;
    return static_cast<ssize_t>(size);
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
    if (whence != SEEK_SET) {
        return unsupported();
    }
    if (offset < 0) {
        errno = EINVAL;
        return -1;
    }
    file->offset = static_cast<std::size_t>(offset);
    return offset;
}

} // namespace purgix::test
