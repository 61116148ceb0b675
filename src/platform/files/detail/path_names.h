#pragma once

#include <string>

namespace purgix::platform {

// Paths as the system writes them: '/' separates names, and on Windows '\' as well.

// The folder part of `path`: "." for a bare name, the root for a name in the root folder.
std::string parentFolder(const std::string& path);

// The last component of `path`.
std::string baseName(const std::string& path);

// `folder` and `name` joined by exactly one separator.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace purgix::platform
