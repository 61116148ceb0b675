#pragma once

#include <string>
#include <string_view>

namespace purgix::platform {

// The system's description of an errno value, e.g. "No such file or directory".
std::string errorReason(int errorNumber);

// `Cannot <action> "<path>": <reason>.`, the form of every file failure shown to the user.
std::string cannotText(std::string_view action, const std::string& path, int errorNumber);

// `Cannot <action> "<path>": <reason>.` for a reason that is not an errno value.
std::string cannotText(std::string_view action, const std::string& path, std::string_view reason);

// A failure to write the replacement, naming the folder it was written in, since
// that folder may lie on another disk than the file itself.
std::string newContentText(const std::string& path, const std::string& folder, int errorNumber);

std::string notRegularFileText(const std::string& path);

std::string changedDuringRunText(const std::string& path);

} // namespace purgix::platform
