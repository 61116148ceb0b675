#include "platform/files/detail/file_stream.h"

#include "platform/files/detail/native_files.h"

#include <algorithm>
#include <cerrno>
#include <memory>

namespace purgix::platform {

namespace {

// How many bytes at the start and before the reading position are kept to compare.
constexpr std::size_t kSample = 4096;
// The size of a hole left in a sparse file: a page, the usual block.
constexpr std::size_t kHoleBlock = 4096;
// The block of a copy through a buffer.
constexpr std::size_t kCopyBlock = std::size_t{1} << 20;

bool isZeroBlock(const char* block)
{
    return std::all_of(block, block + kHoleBlock, [](char byte) { return byte == 0; });
}

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

std::ptrdiff_t readAt(FileSystem& fileSystem, NativeHandle file, std::int64_t offset, char* data,
                      std::size_t size)
{
    if (!seekTo(fileSystem, file, offset)) {
        return -1;
    }
    std::size_t done = 0;
    while (done < size) {
        const std::ptrdiff_t count = readSome(fileSystem, file, data + done, size - done);
        if (count <= 0) {
            return count < 0 ? -1 : static_cast<std::ptrdiff_t>(done);
        }
        done += static_cast<std::size_t>(count);
    }
    return static_cast<std::ptrdiff_t>(done);
}

int writeAt(FileSystem& fileSystem, NativeHandle file, std::int64_t offset, std::string_view data)
{
    if (!seekTo(fileSystem, file, offset)) {
        return errno;
    }
    FileSink sink(fileSystem, file);
    return writeAll(sink, data);
}

int copyBytes(FileSystem& fileSystem, NativeHandle file, std::int64_t from, std::int64_t to,
              NativeHandle output)
{
    if (!seekTo(fileSystem, file, from)) {
        return errno;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(kCopyBlock);
    FileSink sink(fileSystem, output);
    for (std::int64_t at = from; at < to;) {
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(to - at, static_cast<std::int64_t>(kCopyBlock)));
        const std::ptrdiff_t count = readSome(fileSystem, file, buffer.get(), size);
        if (count <= 0) {
            return count < 0 ? errno : EIO;
        }
        if (const int error = writeAll(sink, {buffer.get(), static_cast<std::size_t>(count)});
            error != 0) {
            return error;
        }
        at += count;
    }
    return 0;
}

std::optional<bool> FileSource::holdsAt(std::int64_t at, const std::string& bytes)
{
    std::string now(bytes.size(), '\0');
    const std::ptrdiff_t count = readAt(m_fileSystem, m_file, at, now.data(), now.size());
    if (count < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(count) == now.size() && now == bytes;
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

// How many bytes of whole zero blocks start `data`, written at m_length; the last block
// of a write is always written, so that the file is as long as what was written.
std::size_t FileSink::holeBefore(const char* data, std::size_t size) const
{
    if (!m_keepHoles || m_length % kHoleBlock != 0) {
        return 0;
    }
    std::size_t hole = 0;
    while (size - hole > kHoleBlock && isZeroBlock(data + hole)) {
        hole += kHoleBlock;
    }
    return hole;
}

// How many bytes of `data`, written at m_length, come before a whole zero block that can
// be left as a hole.
std::size_t FileSink::dataBefore(const char* data, std::size_t size) const
{
    const auto intoBlock = static_cast<std::size_t>(m_length % kHoleBlock);
    std::size_t end = intoBlock == 0 ? kHoleBlock : kHoleBlock - intoBlock;
    while (size > end + kHoleBlock && !isZeroBlock(data + end)) {
        end += kHoleBlock;
    }
    return size > end + kHoleBlock ? end : size;
}

std::ptrdiff_t FileSink::write(const char* data, std::size_t size)
{
    if (const std::size_t hole = holeBefore(data, size); hole > 0) {
        if (!seekTo(m_fileSystem, m_file, m_length + static_cast<std::int64_t>(hole))) {
            return -1;
        }
        m_length += static_cast<std::int64_t>(hole);
        return static_cast<std::ptrdiff_t>(hole);
    }
    if (m_keepHoles) {
        size = dataBefore(data, size);
    }
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
