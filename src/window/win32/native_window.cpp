#include "window/win32/native_window.h"

#include "platform/files/wide_text.h"
#include "window/win32/native_progress.h"
#include "window/win32/window_class.h"

// <windows.h> must come first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <utility>

namespace purgix::window {

namespace {

constexpr wchar_t kClassName[] = L"PurgixWindow";
constexpr int kFirstControlId = 100;
constexpr int kTwipsPerInch = 1440;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists from Windows 10 1607 on; before, every window had the system's.
UINT dpiOf(HWND window)
{
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowCall>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        return getDpiForWindow(window);
    }
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

int toPixels(int twips, UINT dpi)
{
    return ::MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}

struct ControlClass
{
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass classOf(NativeKind kind)
{
    switch (kind) {
    case NativeKind::Label:
        return {L"STATIC", SS_NOTIFY, 0};
    case NativeKind::TextBox:
        return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case NativeKind::Button:
        return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    }
    return {L"STATIC", 0, 0};
}

bool isEscape(const MSG& message, UINT type)
{
    return message.message == type && message.wParam == VK_ESCAPE;
}

// Esc, and Alt+F4, which asks the window to close as its close box does.
bool isKeptKey(const MSG& message)
{
    return isEscape(message, WM_KEYDOWN) || isEscape(message, WM_KEYUP) ||
           (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4);
}

bool isUserInput(const MSG& message)
{
    const UINT type = message.message;
    return (type >= WM_KEYFIRST && type <= WM_KEYLAST) ||
           (type >= WM_MOUSEFIRST && type <= WM_MOUSELAST) || type == WM_DROPFILES;
}

// Waits up to `limit` for a message of the kinds `wake` names.
void waitForMessages(std::chrono::milliseconds limit, DWORD wake)
{
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(limit.count()), wake, 0);
}

} // namespace

struct NativeWindow::State
{
    explicit State(NativeWindowEvents& windowEvents) : events(windowEvents) {}

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(WPARAM wParam);
    void dropFiles(HDROP drop);
    void createControls();
    // Sizes the font and places the controls for `dpi`: at start and when the window moves
    // to a screen of another resolution.
    void applyDpi(UINT dpi);
    void fitClientArea(int widthTwips, int heightTwips);
    // Handles one message as the loop does, Esc and the dialog keys included.
    void dispatch(MSG& message);
    // Notes the control that has the focus when the window is left (for a message box, or
    // another window) and gives it the focus back on return, as dialogs do; true when it
    // did so.
    bool keepFocusAcross(WORD activation);

    NativeWindowEvents& events;
    HWND window = nullptr;
    NativeFont fontWanted;
    std::vector<NativeControl> layout;
    HFONT font = nullptr;
    std::vector<HWND> controls;
    bool escapePressed = false;
    bool waiting = false;
    HWND lastFocus = nullptr;
};

LRESULT CALLBACK NativeWindow::State::procedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam)
{
    auto* state = static_cast<State*>(windowObject(window, message, lParam));
    if (state == nullptr || state->window == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return state->handle(message, wParam, lParam);
}

LRESULT NativeWindow::State::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        command(wParam);
        return 0;
    case WM_DROPFILES:
        dropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (waiting) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        applyDpi(HIWORD(wParam));
        return 0;
    }
    case WM_ACTIVATE:
        if (keepFocusAcross(LOWORD(wParam))) {
            return 0;
        }
        break;
    case WM_CLOSE:
        if (events.closeRequested()) {
            ::DestroyWindow(window);
        }
        return 0;
    case WM_QUERYENDSESSION:
        // Logging off or shutting down closes the window: the save question comes first,
        // and Cancel asks the system to keep the session.
        return events.closeRequested() ? TRUE : FALSE;
    case WM_DESTROY:
        window = nullptr;
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool NativeWindow::State::keepFocusAcross(WORD activation)
{
    if (activation == WA_INACTIVE) {
        const HWND focused = ::GetFocus();
        if (focused != nullptr && ::IsChild(window, focused)) {
            lastFocus = focused;
        }
        return false;
    }
    if (lastFocus == nullptr || !::IsWindow(lastFocus)) {
        return false;
    }
    ::SetFocus(lastFocus);
    return true;
}

void NativeWindow::State::command(WPARAM wParam)
{
    const int index = LOWORD(wParam) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(controls.size())) {
        return; // IDOK and IDCANCEL, which the dialog keys send
    }
    switch (HIWORD(wParam)) {
    case BN_CLICKED: // also STN_CLICKED
        events.clicked(index);
        break;
    case EN_CHANGE:
        events.textChanged(index);
        break;
    default:
        break;
    }
}

void NativeWindow::State::dropFiles(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(platform::utf8Text(path));
    }
    ::DragFinish(drop);
    events.filesDropped(paths);
}

void NativeWindow::State::createControls()
{
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const ControlClass type = classOf(layout[i].kind);
        const HWND child =
            ::CreateWindowExW(type.exStyle, type.name, platform::wideText(layout[i].text).c_str(),
                              WS_CHILD | WS_VISIBLE | type.style, 0, 0, 0, 0, window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)),
                              ::GetModuleHandleW(nullptr), nullptr);
        if (layout[i].kind == NativeKind::TextBox) {
            // The most a box can hold: a box that cut a target short would match other lines.
            ::SendMessageW(child, EM_SETLIMITTEXT, 0, 0);
        }
        controls.push_back(child);
    }
}

void NativeWindow::State::applyDpi(UINT dpi)
{
    LOGFONTW description = {};
    description.lfHeight =
        -::MulDiv(fontWanted.pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = CLEARTYPE_QUALITY;
    platform::wideText(fontWanted.face).copy(description.lfFaceName, LF_FACESIZE - 1);
    const HFONT previous = std::exchange(font, ::CreateFontIndirectW(&description));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const NativeControl& place = layout[i];
        ::SetWindowPos(controls[i], nullptr, toPixels(place.left, dpi), toPixels(place.top, dpi),
                       toPixels(place.width, dpi), toPixels(place.height, dpi),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    ::DeleteObject(previous);
}

void NativeWindow::State::fitClientArea(int widthTwips, int heightTwips)
{
    const UINT dpi = dpiOf(window);
    RECT frame = {0, 0, toPixels(widthTwips, dpi), toPixels(heightTwips, dpi)};
    ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, WS_EX_ACCEPTFILES);
    ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeWindow::State::dispatch(MSG& message)
{
    const bool inWindow = window != nullptr && ::GetAncestor(message.hwnd, GA_ROOT) == window;
    if (inWindow && isEscape(message, WM_KEYDOWN)) {
        escapePressed = true;
    } else if (inWindow && isEscape(message, WM_KEYUP) && escapePressed) {
        // A release whose press went to a message box does not count.
        escapePressed = false;
        events.escapeReleased();
        return;
    }
    if (inWindow && ::IsDialogMessageW(window, &message)) {
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

NativeWindow::NativeWindow(const std::string& title, int widthTwips, int heightTwips,
                           const NativeFont& font, const std::vector<NativeControl>& controls,
                           NativeWindowEvents& events)
    : m_state(std::make_unique<State>(events))
{
    m_state->fontWanted = font;
    m_state->layout = controls;
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    registerWindowClass(kClassName, &State::procedure, ::LoadIconW(instance, MAKEINTRESOURCEW(1)));
    const HWND window = ::CreateWindowExW(
        WS_EX_ACCEPTFILES, kClassName, platform::wideText(title).c_str(), kWindowStyle,
        CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, m_state.get());
    m_state->window = window;
    m_state->fitClientArea(widthTwips, heightTwips);
    m_state->createControls();
    m_state->applyDpi(dpiOf(window));
}

NativeWindow::~NativeWindow()
{
    if (m_state->window != nullptr) {
        const HWND window = m_state->window;
        m_state->window = nullptr;
        ::DestroyWindow(window);
    }
    ::DeleteObject(m_state->font);
}

void NativeWindow::show()
{
    ::ShowWindow(m_state->window, SW_SHOW);
    ::UpdateWindow(m_state->window);
}

void NativeWindow::run()
{
    MSG message;
    while (m_state->window != nullptr && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        m_state->dispatch(message);
    }
}

void NativeWindow::processMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            break;
        }
        m_state->dispatch(message);
    }
}

std::string NativeWindow::text(int control) const
{
    const HWND child = m_state->controls.at(static_cast<std::size_t>(control));
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(child)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
    return platform::utf8Text(text);
}

// A text box's caret goes to the end of its new text, where typing goes on.
void NativeWindow::setText(int control, const std::string& text)
{
    const HWND child = m_state->controls.at(static_cast<std::size_t>(control));
    ::SetWindowTextW(child, platform::wideText(text).c_str());
    if (m_state->layout.at(static_cast<std::size_t>(control)).kind == NativeKind::TextBox) {
        const int length = ::GetWindowTextLengthW(child);
        ::SendMessageW(child, EM_SETSEL, static_cast<WPARAM>(length), length);
    }
}

void NativeWindow::focus(int control)
{
    ::SetFocus(m_state->controls.at(static_cast<std::size_t>(control)));
}

void NativeWindow::showWaitCursor()
{
    m_state->waiting = true;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0,
                          PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE | PM_QS_POSTMESSAGE)) {
        m_state->dispatch(message);
    }
}

void NativeWindow::dropHeldInput()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if (isKeptKey(message)) {
            m_state->dispatch(message);
        }
    }
    while (::PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&message, nullptr, WM_DROPFILES, WM_DROPFILES, PM_REMOVE)) {
        ::DragFinish(reinterpret_cast<HDROP>(message.wParam));
    }
    processMessages();
}

bool NativeWindow::waitWithoutInput(const std::function<bool()>& done,
                                    std::chrono::milliseconds limit,
                                    std::chrono::milliseconds interval)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    constexpr UINT kNotInput = PM_QS_PAINT | PM_QS_SENDMESSAGE | PM_QS_POSTMESSAGE;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            return false;
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | kNotInput)) {
            m_state->dispatch(message);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        waitForMessages(std::min(left, interval),
                        QS_PAINT | QS_SENDMESSAGE | QS_POSTMESSAGE | QS_TIMER);
    }
    return true;
}

void NativeWindow::waitWithDialog(const std::function<bool()>& done,
                                  const std::function<void()>& tick,
                                  std::chrono::milliseconds interval, NativeProgress& dialog)
{
    while (!done()) {
        tick();
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const bool forWindow = ::GetAncestor(message.hwnd, GA_ROOT) == m_state->window;
            if (forWindow && isUserInput(message) && !isKeptKey(message)) {
                if (message.message == WM_DROPFILES) {
                    ::DragFinish(reinterpret_cast<HDROP>(message.wParam));
                }
            } else if (!dialog.handles(message)) {
                m_state->dispatch(message);
            }
        }
        waitForMessages(interval, QS_ALLINPUT);
    }
}

void NativeWindow::restoreCursor()
{
    m_state->waiting = false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void NativeWindow::close()
{
    if (m_state->window != nullptr) {
        ::SendMessageW(m_state->window, WM_CLOSE, 0, 0);
    }
}

bool NativeWindow::isOpen() const
{
    return m_state->window != nullptr;
}

void* NativeWindow::handle() const
{
    return m_state->window;
}

void* NativeWindow::controlHandle(int control) const
{
    return m_state->controls.at(static_cast<std::size_t>(control));
}

} // namespace purgix::window
