#include "platform/files/standard_streams.h"

#include <windows.h>

namespace purgix::platform {

bool standardErrorIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

} // namespace purgix::platform
