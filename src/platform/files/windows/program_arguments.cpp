#include "platform/files/program_arguments.h"

#include "platform/files/wide_text.h"

#include <windows.h>

namespace purgix::platform {

std::vector<std::string> programArguments(int, char*[])
{
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        result.push_back(utf8Text(arguments[i]));
    }
    ::LocalFree(arguments);
    return result;
}

} // namespace purgix::platform
