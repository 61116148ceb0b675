#pragma once

#include "core/targets.h"
#include "settings/target_settings.h"

#include <initializer_list>
#include <string>

namespace purgix::test {

// Slots filled from index 0 on; the rest stay empty.
Targets slotsOf(std::initializer_list<std::string> texts);

// Every slot holding the start-up text, as before the saved targets are read over it.
Targets startUpTargets();

} // namespace purgix::test
