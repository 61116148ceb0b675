#pragma once

#include <string>

namespace purgix::platform {

class FileSystem;

// The folder part of `path`: "." for a bare name, "/" for a name in the root folder.
std::string parentFolder(const std::string& path);

// The last component of `path`.
std::string baseName(const std::string& path);

// `folder` and `name` joined by exactly one slash.
std::string joinPath(const std::string& folder, const std::string& name);

// The path with every symbolic link resolved, or `path` itself when it cannot be
// resolved (a missing file, for one), so that opening it reports the real reason.
std::string resolvedPath(FileSystem& fileSystem, const std::string& path);

} // namespace purgix::platform
