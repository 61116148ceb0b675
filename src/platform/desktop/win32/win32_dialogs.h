#pragma once

#include "answer.h"

#include <optional>
#include <string>

namespace purgix::platform {

// The Win32 desktop services, owned by the window `owner` (an HWND). Texts are UTF-8.

// A modal message box captioned "Purgix", without an icon, with an OK button.
void showInformation(void* owner, const std::string& text);
// The same with Yes, No and Cancel, Yes being the default button.
Answer askYesNoCancel(void* owner, const std::string& text);
// The open-file dialog titled "Open", showing all files; nothing when it was cancelled.
std::optional<std::string> chooseOpenFile(void* owner);
// The clipboard's Unicode text; empty when it holds none.
std::string clipboardText(void* owner);

} // namespace purgix::platform
