#pragma once

#include <string>
#include <vector>

namespace purgix::platform {

// The arguments that follow the program's name, as UTF-8. On Windows they come from the
// wide command line, so that no name is squeezed through the ANSI code page.
std::vector<std::string> programArguments(int argc, char* argv[]);

} // namespace purgix::platform
