#pragma once

#include "platform/files/detail/native_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// What each system does its own way for the byte streams over standard input and output
// (standard_streams.cpp). Error numbers are errno values on Linux and Win32 error codes on
// Windows; functions that return one return 0 on success.
namespace purgix::platform {

NativeHandle standardInputHandle();
NativeHandle standardOutputHandle();

enum class Direction { Reading, Writing };

// Where reading or writing through `handle` starts when it is a regular file (on Windows,
// a disk file): its offset, or for writing to a file open to append, its end. Nothing for
// anything else. A handle that names no open file fails.
[[nodiscard]] int regularFileStart(FileSystem& fileSystem, NativeHandle handle, Direction direction,
                                   std::optional<std::int64_t>& start);

// Reads standard input; 0 at its end, which a pipe whose writer is gone also is. -1 on
// failure, with the reason in errno.
std::ptrdiff_t readStandardInput(FileSystem& fileSystem, NativeHandle input, char* buffer,
                                 std::size_t size);

// Copies the first `length` bytes of `file` to standard output at its offset, whatever it
// is. A reader that went away fails the copy (EPIPE) instead of ending the process.
[[nodiscard]] int copyToStandardOutput(FileSystem& fileSystem, NativeHandle file,
                                       std::int64_t length, NativeHandle output);

} // namespace purgix::platform
