#pragma once

#include "platform/files/byte_stream.h"
#include "platform/files/detail/native_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace purgix::platform {

// Reads `size` bytes at `offset`, fewer where the file ends; -1 on failure, with the reason
// in errno. The handle's position moves.
std::ptrdiff_t readAt(FileSystem& fileSystem, NativeHandle file, std::int64_t offset, char* data,
                      std::size_t size);
// Writes all of `data` at `offset`. Returns 0 or an error number.
[[nodiscard]] int writeAt(FileSystem& fileSystem, NativeHandle file, std::int64_t offset,
                          std::string_view data);

// Copies the bytes of `file` from offset `from` up to `to` onto `output` at its position,
// through a buffer, continuing after partial writes. Returns 0 or an error number.
[[nodiscard]] int copyBytes(FileSystem& fileSystem, NativeHandle file, std::int64_t from,
                            std::int64_t to, NativeHandle output);

// A file read from its start through an open handle.
class FileSource final : public ByteSource
{
public:
    FileSource(FileSystem& fileSystem, NativeHandle file) : m_fileSystem(fileSystem), m_file(file)
    {
    }

    std::ptrdiff_t read(char* buffer, std::size_t size) override;
    bool rewindTo(std::int64_t offset) override;
    std::int64_t offset() const override { return m_offset; }
    // Reading ends at `end` (an offset in the file), or at the file's end when there is
    // none, whatever follows.
    void endAt(std::optional<std::int64_t> end) { m_end = end; }

    // Whether the file still holds its first bytes and the last bytes read where they were
    // read: a file that only grew does, one rewritten meanwhile almost surely not. The
    // reading goes on where it was. Nothing on a failed read, with errno set.
    std::optional<bool> stillHoldsWhatWasRead();

private:
    void remember(const char* data, std::int64_t at, std::size_t size);
    std::optional<bool> holdsAt(std::int64_t at, const std::string& bytes);

    FileSystem& m_fileSystem;
    NativeHandle m_file;
    std::int64_t m_offset = 0;
    std::optional<std::int64_t> m_end;
    std::string m_head; // the file's first bytes, as read
    std::string m_tail; // the last bytes read, ending at m_offset
};

// A file written from its start through an open handle.
class FileSink final : public ByteSink
{
public:
    FileSink(FileSystem& fileSystem, NativeHandle file) : m_fileSystem(fileSystem), m_file(file) {}

    std::ptrdiff_t write(const char* data, std::size_t size) override;
    bool cutBack(std::int64_t length) override;

    std::int64_t length() const override { return m_length; }

    // From now on whole blocks of zeros, but the last block of each write, are left as
    // holes, so that the file takes no room for them, as the sparse file it replaces did.
    // Only for a file written from empty: a hole leaves what was there before.
    void keepHoles() { m_keepHoles = true; }

private:
    std::size_t holeBefore(const char* data, std::size_t size) const;
    std::size_t dataBefore(const char* data, std::size_t size) const;

    FileSystem& m_fileSystem;
    NativeHandle m_file;
    std::int64_t m_length = 0;
    bool m_keepHoles = false;
};

// Bytes gathered in memory, to be written out in one piece.
class StringSink final : public ByteSink
{
public:
    std::ptrdiff_t write(const char* data, std::size_t size) override;
    bool cutBack(std::int64_t length) override;
    std::int64_t length() const override { return static_cast<std::int64_t>(m_bytes.size()); }

    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

} // namespace purgix::platform
