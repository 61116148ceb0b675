#include "run_messages.h"

#include <utility>

namespace purgix::engine {

DeleteRunOutcome deletedOutcome(std::uint64_t deletedLines)
{
    return {true, std::to_string(deletedLines) + " lines deleted."};
}

DeleteRunOutcome failedOutcome(std::string message)
{
    return {false, std::move(message)};
}

} // namespace purgix::engine
