#pragma once

#include "target_settings.h"
#include "target_slots.h"

#include <initializer_list>
#include <string>

namespace purgix::test {

// Slots filled from index 0 on; the rest stay empty.
engine::TargetSlots slotsOf(std::initializer_list<std::string> texts);

// Every slot holding the start-up text, as before the saved targets are read over it.
settings::Targets startUpTargets();

} // namespace purgix::test
