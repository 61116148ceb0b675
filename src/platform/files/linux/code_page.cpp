#include "platform/files/code_page.h"

namespace purgix::platform {

bool hasAnsiCodePage()
{
    return false;
}

std::string textFromAnsiCodePage(std::string_view bytes)
{
    return std::string(bytes);
}

std::string ansiCodePageBytes(std::string_view text)
{
    return std::string(text);
}

} // namespace purgix::platform
