#pragma once

#include <iosfwd>
#include <span>

namespace purgix::cli {

// Runs purgix-cli on the arguments that follow the program name, writing the report to
// `out` and failures to `err`; returns the exit status (0 done, 1 failed, 2 bad usage).
int runCli(std::span<const char* const> arguments, std::ostream& out, std::ostream& err);

} // namespace purgix::cli
