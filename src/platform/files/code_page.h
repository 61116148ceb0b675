#pragma once

#include <string>
#include <string_view>

namespace purgix::platform {

// Windows programs keep text such as targets in the system's ANSI code page (1252 in
// Western Europe), whichever code page the program itself runs in; Linux has none, and
// its text is bytes.
bool hasAnsiCodePage();

// The UTF-8 text of `bytes` in the system's ANSI code page.
std::string textFromAnsiCodePage(std::string_view bytes);

// The bytes of the UTF-8 `text` in the system's ANSI code page; a character that the code
// page lacks keeps its UTF-8 bytes, so that nothing typed is lost.
std::string ansiCodePageBytes(std::string_view text);

} // namespace purgix::platform
