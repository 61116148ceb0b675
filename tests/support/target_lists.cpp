#include "target_lists.h"

#include <algorithm>

namespace purgix::test {

engine::TargetSlots slotsOf(std::initializer_list<std::string> texts)
{
    engine::TargetSlots slots;
    std::copy(texts.begin(), texts.end(), slots.begin());
    return slots;
}

settings::Targets startUpTargets()
{
    settings::Targets targets;
    targets.fill(std::string(settings::kStartUpTarget));
    return targets;
}

} // namespace purgix::test
