#pragma once

#include "cli/command_line.h"
#include "core/targets.h"

#include <string>

namespace purgix::cli {

struct SlotsOrFailure
{
    Targets slots;
    std::string failure; // empty when `slots` holds the targets to use
    std::string warning; // why the saved targets beside the program could not be read
};

// The slots a run uses: the targets given on the command line, or else the saved ones,
// read by the window's start-up rules over slots that start as its start-up text. A
// settings file named with --settings must be readable; the one beside the program,
// as at the window's start-up, gives ten empty slots when it is missing or unreadable.
SlotsOrFailure slotsFor(const CommandLine& commandLine);

} // namespace purgix::cli
