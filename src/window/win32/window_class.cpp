#include "window/win32/window_class.h"

namespace purgix::window {

void registerWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = icon;
    windowClass.lpszClassName = name;
    ::RegisterClassExW(&windowClass);
}

void* windowObject(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<void*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace purgix::window
