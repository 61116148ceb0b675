#include "error_text.h"

#include <system_error>

namespace purgix::platform {

std::string errorReason(int errorNumber)
{
    // std::generic_category() formats through strerror_r, so it is safe from any thread.
    return std::generic_category().message(errorNumber);
}

std::string cannotText(std::string_view action, const std::string& path, int errorNumber)
{
    return cannotText(action, path, errorReason(errorNumber));
}

std::string cannotText(std::string_view action, const std::string& path, std::string_view reason)
{
    return "Cannot " + std::string(action) + " \"" + path + "\": " + std::string(reason) + ".";
}

std::string newContentText(const std::string& path, const std::string& folder, int errorNumber)
{
    return "Cannot write the new content of \"" + path + "\" in \"" + folder +
           "\": " + errorReason(errorNumber) + ".";
}

std::string notRegularFileText(const std::string& path)
{
    return "\"" + path + "\" is not a regular file.";
}

std::string changedDuringRunText(const std::string& path)
{
    return "\"" + path + "\" changed during the run; it was left as it is.";
}

} // namespace purgix::platform
