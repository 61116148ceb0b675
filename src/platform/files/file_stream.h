#pragma once

#include "byte_stream.h"
#include "native_file.h"

#include <cstdint>
#include <optional>
#include <string>

namespace purgix::platform {

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

private:
    FileSystem& m_fileSystem;
    NativeHandle m_file;
    std::int64_t m_offset = 0;
    std::optional<std::int64_t> m_end;
};

// A file written from its start through an open handle.
class FileSink final : public ByteSink
{
public:
    FileSink(FileSystem& fileSystem, NativeHandle file) : m_fileSystem(fileSystem), m_file(file) {}

    std::ptrdiff_t write(const char* data, std::size_t size) override;
    bool cutBack(std::int64_t length) override;

    std::int64_t length() const override { return m_length; }

private:
    FileSystem& m_fileSystem;
    NativeHandle m_file;
    std::int64_t m_length = 0;
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
