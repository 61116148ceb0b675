#pragma once

#include "byte_stream.h"

#include <cstdint>
#include <windows.h>

namespace purgix::platform {

class FileSystem;

// The byte streams report a failure through errno, as the engine reads it; on Windows
// errno then holds the Win32 error code, which errorReason() puts into words.
void setErrnoFromLastError();

// A file read from its start through an open handle.
class HandleSource final : public ByteSource
{
public:
    HandleSource(FileSystem& fileSystem, HANDLE file) : m_fileSystem(fileSystem), m_file(file) {}

    std::ptrdiff_t read(char* buffer, std::size_t size) override;
    bool rewindTo(std::int64_t offset) override;
    std::int64_t offset() const override { return m_offset; }

private:
    FileSystem& m_fileSystem;
    HANDLE m_file;
    std::int64_t m_offset = 0;
};

// A file written from its start through an open handle.
class HandleSink final : public ByteSink
{
public:
    HandleSink(FileSystem& fileSystem, HANDLE file) : m_fileSystem(fileSystem), m_file(file) {}

    std::ptrdiff_t write(const char* data, std::size_t size) override;
    bool cutBack(std::int64_t length) override;

    std::int64_t length() const override { return m_length; }

private:
    FileSystem& m_fileSystem;
    HANDLE m_file;
    std::int64_t m_length = 0;
};

} // namespace purgix::platform
