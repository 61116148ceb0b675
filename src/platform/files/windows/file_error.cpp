#include "platform/files/file_error.h"

#include "platform/files/wide_text.h"

#include <windows.h>

namespace purgix::platform {

std::error_code systemError(int errorNumber)
{
    return {errorNumber, std::system_category()};
}

std::string errorReason(const std::error_code& error)
{
    const int errorNumber = error.value();
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(errorNumber), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) {
        return "Error " + std::to_string(static_cast<DWORD>(errorNumber));
    }
    std::string reason = utf8Text(std::wstring_view(text, length));
    ::LocalFree(text);
    // The system's texts end in a full stop and a line end; the message adds its own stop.
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason;
}

} // namespace purgix::platform
