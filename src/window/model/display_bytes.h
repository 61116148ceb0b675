#pragma once

#include <string>

namespace purgix::window {

// The UTF-8 text a target box shows for a target's bytes: the bytes themselves when they
// are UTF-8; otherwise, as in a file saved in an 8-bit code page, one character per byte
// (Latin-1), so that "\xE9t\xE9" reads "été" rather than three replacement marks.
std::string displayBytes(const std::string& bytes);

} // namespace purgix::window
