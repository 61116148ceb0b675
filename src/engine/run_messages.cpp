#include "run_messages.h"

#include <utility>

namespace purgix::engine {

DeleteRunOutcome deletedOutcome(int deletedLines)
{
    return {true, deletedLines, std::to_string(deletedLines) + " lines deleted."};
}

DeleteRunOutcome failedOutcome(std::string message, int deletedLines)
{
    return {false, deletedLines, std::move(message)};
}

} // namespace purgix::engine
