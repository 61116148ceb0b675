#include "support/target_lists.h"

#include <algorithm>

namespace purgix::test {

Targets slotsOf(std::initializer_list<std::string> texts)
{
    Targets slots;
    std::copy(texts.begin(), texts.end(), slots.begin());
    return slots;
}

Targets startUpTargets()
{
    Targets targets;
    targets.fill(std::string(kStartUpTarget));
    return targets;
}

} // namespace purgix::test
