#pragma once

#include <optional>
#include <string>

namespace purgix::platform {

class FileSystem;

// The folder part of `path`: "." for a bare name, "/" for a name in the root folder.
std::string parentFolder(const std::string& path);

// The last component of `path`.
std::string baseName(const std::string& path);

// `folder` and `name` joined by exactly one slash.
std::string joinPath(const std::string& folder, const std::string& name);

// The path with every symbolic link resolved. A path that names nothing (ENOENT) comes
// back as it is, so that opening it reports the missing file and a save can create it.
// Any other failure gives nothing, with errno set: going on with the unresolved path
// would replace a symbolic link by a plain file.
std::optional<std::string> resolvedPath(FileSystem& fileSystem, const std::string& path);

} // namespace purgix::platform
