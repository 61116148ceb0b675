#pragma once

#include "file_error.h"
#include "file_handle.h"

#include <optional>
#include <string>
#include <string_view>

namespace purgix::platform {

class FileSystem;

// Opens the regular file at `path` for reading, into `handle`, sharing it with other
// readers, writers and whoever replaces it. A folder, a device ("CON", "NUL") or a pipe
// is refused before it is read. The failure says it could not `action` the file.
std::optional<FileError> openRegularFile(FileSystem& fileSystem, const std::string& path,
                                         std::string_view action, FileHandle& handle);

} // namespace purgix::platform
