#pragma once

#include <string>
#include <string_view>

namespace purgix::platform {

// Purgix holds paths and texts as UTF-8; the wide-character Win32 API takes UTF-16.
// Bytes that are not UTF-8 become U+FFFD, and unpaired surrogates the same way back.
std::wstring wideText(std::string_view utf8);
std::string utf8Text(std::wstring_view wide);

} // namespace purgix::platform
