#pragma once

#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"
#include "platform/files/file_system.h"

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

    // After a successful open().
    ByteSource& source();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace purgix::platform
