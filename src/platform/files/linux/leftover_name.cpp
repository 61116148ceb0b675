#include "platform/files/linux/leftover_name.h"

#include "platform/files/detail/temporary_names.h"

namespace purgix::platform {

std::string renamingName(const std::string& name)
{
    return besideFilePrefix(name) + std::string(kRenamingPart);
}

} // namespace purgix::platform
