#pragma once

#include "platform/files/file_error.h"

#include <optional>
#include <string>

namespace purgix::platform {

// Creates `path` and any missing parent folders, each readable only by its owner (0700),
// as a folder that holds a user's configuration should be. Folders that exist are left as
// they are.
[[nodiscard]] std::optional<FileError> createPrivateFolder(const std::string& path);

} // namespace purgix::platform
