#pragma once

#include <string>

namespace purgix::cli {

// The text of purgix-cli --help, ending in a newline.
std::string usageText();

} // namespace purgix::cli
