#pragma once

#include <string>

namespace purgix::platform {

// Creates `path` and any missing parent folders, each readable only by its owner (0700),
// as a folder that holds a user's configuration should be. Folders that exist are left as
// they are. Returns the failure's text, naming the folder, or "".
std::string createPrivateFolder(const std::string& path);

} // namespace purgix::platform
