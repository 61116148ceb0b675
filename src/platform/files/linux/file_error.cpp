#include "platform/files/file_error.h"

namespace purgix::platform {

std::error_code systemError(int errorNumber)
{
    return {errorNumber, std::generic_category()};
}

std::string errorReason(const std::error_code& error)
{
    // std::generic_category() formats through strerror_r, so it is safe from any thread.
    return error.message();
}

} // namespace purgix::platform
