#include "file_error.h"

#include <cerrno>
#include <system_error>

namespace purgix::platform {

std::string errorReason(int errorNumber)
{
    // std::generic_category() formats through strerror_r, so it is safe from any thread.
    return std::generic_category().message(errorNumber);
}

bool FileError::isMissingFile() const
{
    return m_errorNumber == ENOENT;
}

} // namespace purgix::platform
