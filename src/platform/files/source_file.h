#pragma once

#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"
#include "platform/files/file_system.h"
#include "platform/files/locked_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace purgix::platform {

// A regular file read from its start, for a reader that never replaces it. Anything but
// a regular file is refused without being read, since a FIFO or a device could block
// or never end.
class SourceFile
{
public:
    SourceFile(FileSystem& fileSystem, std::string path);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // A failure says that the file could not be `action`-ed: `Cannot <action> "<path>"`.
    [[nodiscard]] std::optional<FileError> open(std::string_view action);

    // Opens the file a symbolic link names, under the lock a run that replaces it takes,
    // waiting for another program's lock as `wait` says: what is read is never half of
    // another run's work. The lock goes with the object.
    [[nodiscard]] std::optional<FileError> openLocked(std::string_view action,
                                                      const LockWait& wait);

    // After a successful open() or openLocked().
    ByteSource& source();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace purgix::platform
