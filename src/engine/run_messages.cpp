#include "engine/run_messages.h"

#include <utility>

namespace purgix::engine {

DeleteRunOutcome deletedOutcome(std::uint64_t deletedLines)
{
    return {true, std::to_string(deletedLines) + " lines deleted.", std::nullopt, {}};
}

DeleteRunOutcome failedOutcome(std::string message)
{
    return {false, std::move(message), std::nullopt, {}};
}

DeleteRunOutcome failedOutcome(const platform::FileError& failure)
{
    return {false, failure.message(), failure, {}};
}

} // namespace purgix::engine
