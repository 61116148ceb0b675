#include "engine/run_messages.h"

#include <utility>

namespace purgix::engine {

DeleteRunOutcome deletedOutcome(std::uint64_t deletedLines)
{
    return {true, false, std::to_string(deletedLines) + " lines deleted.", std::nullopt, {}};
}

DeleteRunOutcome wouldDeleteOutcome(std::uint64_t deletedLines)
{
    return {
        true, false, std::to_string(deletedLines) + " lines would be deleted.", std::nullopt, {}};
}

DeleteRunOutcome failedOutcome(std::string message)
{
    return {false, false, std::move(message), std::nullopt, {}};
}

DeleteRunOutcome failedOutcome(const platform::FileError& failure)
{
    return {false, false, failure.message(), failure, {}};
}

DeleteRunOutcome cancelledOutcome(const std::string& path)
{
    return {false, true, "Cancelled; \"" + path + "\" was left as it is.", std::nullopt, {}};
}

} // namespace purgix::engine
