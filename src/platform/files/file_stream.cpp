#include "file_stream.h"

#include "native_files.h"

#include <algorithm>
#include <cerrno>

namespace purgix::platform {

namespace {

// How many bytes at the start and before the reading position are kept to compare.
constexpr std::size_t kSample = 4096;

} // namespace

void FileSource::remember(const char* data, std::int64_t at, std::size_t size)
{
    if (at < static_cast<std::int64_t>(kSample) && at == static_cast<std::int64_t>(m_head.size())) {
        m_head.append(data, std::min(size, kSample - m_head.size()));
    }
    if (size >= kSample) {
        m_tail.assign(data + size - kSample, kSample);
    } else {
        m_tail.append(data, size);
        if (m_tail.size() > kSample) {
            m_tail.erase(0, m_tail.size() - kSample);
        }
    }
}

std::optional<bool> FileSource::holdsAt(std::int64_t at, const std::string& bytes)
{
    std::string now(bytes.size(), '\0');
    std::size_t done = 0;
    if (!seekTo(m_fileSystem, m_file, at)) {
        return std::nullopt;
    }
    while (done < now.size()) {
        const std::ptrdiff_t count =
            readSome(m_fileSystem, m_file, now.data() + done, now.size() - done);
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return now == bytes;
}

std::optional<bool> FileSource::stillHoldsWhatWasRead()
{
    std::optional<bool> holds = holdsAt(0, m_head);
    if (holds.value_or(false)) {
        holds = holdsAt(m_offset - static_cast<std::int64_t>(m_tail.size()), m_tail);
    }
    if (!seekTo(m_fileSystem, m_file, m_offset)) {
        return std::nullopt;
    }
    return holds;
}

std::ptrdiff_t FileSource::read(char* buffer, std::size_t size)
{
    if (m_end) {
        const std::int64_t left = std::max<std::int64_t>(*m_end - m_offset, 0);
        size = std::min(size, static_cast<std::size_t>(left));
        if (size == 0) {
            return 0;
        }
    }
    const std::ptrdiff_t count = readSome(m_fileSystem, m_file, buffer, size);
    if (count > 0) {
        remember(buffer, m_offset, static_cast<std::size_t>(count));
        m_offset += count;
    }
    return count;
}

bool FileSource::rewindTo(std::int64_t offset)
{
    if (!seekTo(m_fileSystem, m_file, offset)) {
        return false;
    }
    m_offset = offset;
    m_head.resize(std::min<std::size_t>(m_head.size(), static_cast<std::size_t>(offset)));
    m_tail.clear();
    return true;
}

std::ptrdiff_t FileSink::write(const char* data, std::size_t size)
{
    const std::ptrdiff_t count = writeSome(m_fileSystem, m_file, data, size);
    if (count == 0 && size > 0) {
        // A file that takes no bytes and names no reason counts as an I/O error.
        errno = EIO;
        return -1;
    }
    if (count > 0) {
        m_length += count;
    }
    return count;
}

bool FileSink::cutBack(std::int64_t length)
{
    if (!cutAt(m_fileSystem, m_file, length) || !seekTo(m_fileSystem, m_file, length)) {
        return false;
    }
    m_length = length;
    return true;
}

std::ptrdiff_t StringSink::write(const char* data, std::size_t size)
{
    m_bytes.append(data, size);
    return static_cast<std::ptrdiff_t>(size);
}

bool StringSink::cutBack(std::int64_t length)
{
    m_bytes.resize(static_cast<std::size_t>(length));
    return true;
}

} // namespace purgix::platform
