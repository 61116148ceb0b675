#pragma once

#include <string>

namespace purgix::platform {

// The name a new file takes beside the file named `name` just before it is renamed over
// it, by the one process that holds the lock on that file.
std::string renamingName(const std::string& name);

} // namespace purgix::platform
