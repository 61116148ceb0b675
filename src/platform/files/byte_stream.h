#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace purgix::platform {

// The old content of a file, read from its start. Failures return -1 or false and leave
// the reason in errno (on Windows, the Win32 error code).
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    // Up to `size` bytes into `buffer`; 0 at the end.
    virtual std::ptrdiff_t read(char* buffer, std::size_t size) = 0;
    // How many bytes were read since the first.
    virtual std::int64_t offset() const = 0;
    // Goes back to `offset`, at most offset(), so that the next read starts there.
    virtual bool rewindTo(std::int64_t offset) = 0;
    bool rewind() { return rewindTo(0); }
};

// The new content of a file, written from its start.
class ByteSink
{
public:
    virtual ~ByteSink() = default;

    // Writes some of `data`, at least one byte; returns how many.
    virtual std::ptrdiff_t write(const char* data, std::size_t size) = 0;
    // Discards everything from `length` on, so that the next byte lands there.
    virtual bool cutBack(std::int64_t length) = 0;
    // How many bytes it holds.
    virtual std::int64_t length() const = 0;
};

// Writes all of `data`, continuing after partial writes. Returns 0 or an errno value.
[[nodiscard]] int writeAll(ByteSink& sink, std::string_view data);

} // namespace purgix::platform
