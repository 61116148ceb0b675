#include "platform/files/program_arguments.h"

namespace purgix::platform {

std::vector<std::string> programArguments(int argc, char* argv[])
{
    // argv[0] is the program's name; a caller may pass no arguments at all.
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

} // namespace purgix::platform
