#pragma once

#include <string>

namespace purgix::platform {

// The folder that holds the running executable, without a trailing slash (except
// for the root folder, "/"). Empty when it cannot be determined.
std::string programFolder();

// What joins a folder and a name in the paths the system shows: '/' or '\\'.
extern const char kFolderSeparator;

} // namespace purgix::platform
