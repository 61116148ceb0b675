#pragma once

#include "cli/command_line.h"
#include "core/targets.h"

#include <string>

namespace purgix::cli {

struct SlotsOrFailure
{
    Targets slots;
    std::string failure;    // why the targets could not be read; empty when `slots` hold them
    std::string usageError; // why the targets given cannot be used
    std::string warning;    // why the saved targets beside the program could not be read
    std::string note;       // which slots hold the window's start-up text
};

// The slots a run uses: the targets given on the command line, or else the saved ones,
// read by the window's start-up rules over slots that start as its start-up text. A
// settings file named with --settings must be readable; the one beside the program,
// as at the window's start-up, gives ten empty slots when it is missing or unreadable.
// Slots that are all empty are a usage error: a run could only report 0 lines.
SlotsOrFailure slotsFor(const CommandLine& commandLine);

} // namespace purgix::cli
