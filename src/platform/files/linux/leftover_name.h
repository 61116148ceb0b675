#pragma once

#include <string>
#include <string_view>

namespace purgix::platform {

// What follows the prefix in the name of a file that replaces a locked file.
inline constexpr std::string_view kRenamingPart = "purgix-new";

// The name a new file takes beside the file named `name` just before it is renamed over
// it, by the one process that holds the lock on that file.
std::string renamingName(const std::string& name);

} // namespace purgix::platform
