#pragma once

#include "command_line.h"
#include "target_slots.h"

#include <string>

namespace purgix::cli {

struct SlotsOrFailure
{
    engine::TargetSlots slots;
    std::string failure; // empty when `slots` holds the targets to use
};

// The slots a run uses: the targets given on the command line, or else the saved ones,
// read by the window's start-up rules over slots that start as its start-up text.
SlotsOrFailure slotsFor(const CommandLine& commandLine);

} // namespace purgix::cli
