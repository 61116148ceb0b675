#include "platform/files/standard_streams.h"

#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/native_files.h"
#include "platform/files/detail/standard_handles.h"
#include "platform/files/windows/windows_file_system.h"

#include <cerrno>
#include <windows.h>

namespace purgix::platform {

namespace {

// GetStdHandle gives null for a stream the process was started without.
NativeHandle standardHandle(DWORD stream)
{
    const HANDLE handle = ::GetStdHandle(stream);
    return handle == nullptr ? INVALID_HANDLE_VALUE : handle;
}

} // namespace

bool standardErrorIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void occupyClosedStandardStreams() {}

NativeHandle standardInputHandle()
{
    return standardHandle(STD_INPUT_HANDLE);
}

NativeHandle standardOutputHandle()
{
    return standardHandle(STD_OUTPUT_HANDLE);
}

// Only a disk file has an offset that can be moved; a pipe, a console and NUL have none.
// A handle open to append only cannot cut the file back: for writing it counts as none.
int regularFileStart(FileSystem& fileSystem, NativeHandle handle, Direction direction,
                     std::optional<std::int64_t>& start)
{
    start.reset();
    if (handle == INVALID_HANDLE_VALUE) {
        return ERROR_INVALID_HANDLE;
    }
    ::SetLastError(NO_ERROR);
    const DWORD type = fileSystem.fileType(handle);
    if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
        return static_cast<int>(::GetLastError());
    }
    ACCESS_MASK access = FILE_WRITE_DATA;
    if (type != FILE_TYPE_DISK ||
        (direction == Direction::Writing && fileSystem.grantedAccess(handle, access) &&
         (access & FILE_WRITE_DATA) == 0)) {
        return 0;
    }
    LARGE_INTEGER offset = {};
    if (::SetFilePointerEx(handle, LARGE_INTEGER{}, &offset, FILE_CURRENT) == 0) {
        return static_cast<int>(::GetLastError());
    }
    start = offset.QuadPart;
    return 0;
}

// ReadFile gives the bytes as they are, with no CR LF or Ctrl+Z meaning, from any handle.
std::ptrdiff_t readStandardInput(FileSystem& fileSystem, NativeHandle input, char* buffer,
                                 std::size_t size)
{
    const std::ptrdiff_t count = readSome(fileSystem, input, buffer, size);
    return count < 0 && errno == ERROR_BROKEN_PIPE ? 0 : count;
}

// Windows has no signal for a pipe nobody reads: WriteFile fails (ERROR_NO_DATA).
int copyToStandardOutput(FileSystem& fileSystem, NativeHandle file, std::int64_t length,
                         NativeHandle output)
{
    return copyBytes(fileSystem, file, 0, length, output);
}

} // namespace purgix::platform
