#include "platform/files/standard_streams.h"

#include <unistd.h>

namespace purgix::platform {

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace purgix::platform
