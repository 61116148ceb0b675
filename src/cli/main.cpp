#include "cli_app.h"

#include <iostream>
#include <span>

int main(int argc, char* argv[])
{
    // argv[0] is the program's name; a caller may pass no arguments at all.
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
    const std::span<const char* const> arguments(argv + (argc > 0 ? 1 : 0), count);
    return purgix::cli::runCli(arguments, std::cout, std::cerr);
}
