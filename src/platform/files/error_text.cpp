#include "error_text.h"

#include <initializer_list>
#include <system_error>

namespace purgix::platform {

namespace {

// Joins the pieces with appends; chained operator+ on temporaries trips a false
// -Wrestrict warning in GCC 12's optimised builds.
std::string join(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces) {
        text += piece;
    }
    return text;
}

} // namespace

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
    return join({"Cannot ", action, " \"", path, "\": ", reason, "."});
}

std::string newContentText(const std::string& path, const std::string& folder, int errorNumber)
{
    return join({"Cannot write the new content of \"", path, "\" in \"", folder,
                 "\": ", errorReason(errorNumber), "."});
}

std::string notRegularFileText(const std::string& path)
{
    return join({"\"", path, "\" is not a regular file."});
}

std::string changedDuringRunText(const std::string& path)
{
    return join({"\"", path, "\" changed during the run; it was left as it is."});
}

} // namespace purgix::platform
