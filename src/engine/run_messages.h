#pragma once

#include "engine/delete_run.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace purgix::engine {

inline constexpr std::string_view kTempPathMessage = "Error getting temporary file path.";
inline constexpr std::string_view kTempNameMessage = "Error getting temporary file name.";
inline constexpr std::string_view kOverflowMessage = "Overflow";

// "N lines deleted.", with N in plain decimal, the same wording for one line.
DeleteRunOutcome deletedOutcome(std::uint64_t deletedLines);
// "N lines would be deleted.", for a run that only counts.
DeleteRunOutcome wouldDeleteOutcome(std::uint64_t deletedLines);

DeleteRunOutcome failedOutcome(std::string message);
DeleteRunOutcome failedOutcome(const platform::FileError& failure);
// A run stopped on request, before anything was put in the file's place.
DeleteRunOutcome cancelledOutcome(const std::string& path);

} // namespace purgix::engine
