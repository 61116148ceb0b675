#pragma once

#include <windows.h>

namespace purgix::window {

// Registers the window class `name` with `procedure`, the arrow cursor, the dialog
// background and `icon`; registering it again, for a second window, fails harmlessly.
void registerWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon = nullptr);

// The object a window was created with (its CreateWindowExW parameter), kept from
// WM_NCCREATE on, for its window procedure; null before.
void* windowObject(HWND window, UINT message, LPARAM lParam);

} // namespace purgix::window
