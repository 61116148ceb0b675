#pragma once

#include <QString>

#include <string>

namespace purgix::window {

// The text a target box shows for a target's bytes. Bytes that are not UTF-8, as in a
// file saved in an 8-bit code page, show one character per byte (Latin-1), so that
// "\xE9t\xE9" reads "été" rather than three replacement marks.
QString displayText(const std::string& bytes);

} // namespace purgix::window
