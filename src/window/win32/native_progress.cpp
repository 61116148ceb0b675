#include "window/win32/native_progress.h"

#include "platform/files/wide_text.h"
#include "window/win32/window_class.h"

// <windows.h> must come first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <utility>

namespace purgix::window {

namespace {

constexpr wchar_t kClassName[] = L"PurgixProgress";
constexpr int kTextId = 100;
constexpr int kBarId = 101;
// Sizes in dialog pixels at 96 dpi.
constexpr int kWidth = 360;
constexpr int kMargin = 12;
constexpr int kTextHeight = 32;
constexpr int kBarHeight = 18;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

HWND child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id, RECT place)
{
    return ::CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                             place.right - place.left, place.bottom - place.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

} // namespace

struct NativeProgress::State
{
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void cancel();
    void createControls();
    void centreOverOwner(HWND owner);

    std::function<void()> cancelled;
    HWND window = nullptr;
    HWND text = nullptr;
    HWND bar = nullptr;
    HWND button = nullptr;
    HFONT font = nullptr;
};

LRESULT CALLBACK NativeProgress::State::procedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam)
{
    auto* state = static_cast<State*>(windowObject(window, message, lParam));
    if (state != nullptr &&
        (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL))) {
        state->cancel();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void NativeProgress::State::cancel()
{
    ::EnableWindow(button, FALSE);
    if (cancelled) {
        std::exchange(cancelled, nullptr)();
    }
}

void NativeProgress::State::createControls()
{
    const int inner = kWidth - 2 * kMargin;
    int top = kMargin;
    text = child(window, L"STATIC", L"", SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, kTextId,
                 {kMargin, top, kMargin + inner, top + kTextHeight});
    top += kTextHeight + kMargin / 2;
    bar = child(window, PROGRESS_CLASSW, L"", 0, kBarId,
                {kMargin, top, kMargin + inner, top + kBarHeight});
    ::SendMessageW(bar, PBM_SETRANGE32, 0, 1000);
    top += kBarHeight + kMargin;
    const int left = kWidth - kMargin - kButtonWidth;
    button = child(window, L"BUTTON", L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL,
                   {left, top, left + kButtonWidth, top + kButtonHeight});
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    for (const HWND control : {text, button}) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    ::SetFocus(button);
}

void NativeProgress::State::centreOverOwner(HWND owner)
{
    RECT client = {0, 0, kWidth,
                   2 * kMargin + kTextHeight + kMargin / 2 + kBarHeight + kMargin + kButtonHeight};
    ::AdjustWindowRectEx(&client, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
    RECT frame = {};
    ::GetWindowRect(owner, &frame);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    ::SetWindowPos(window, HWND_TOP, (frame.left + frame.right - width) / 2,
                   (frame.top + frame.bottom - height) / 2, width, height, SWP_NOACTIVATE);
}

NativeProgress::NativeProgress(void* owner, const std::string& title,
                               std::function<void()> cancelled)
    : m_state(std::make_unique<State>())
{
    m_state->cancelled = std::move(cancelled);
    const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    registerWindowClass(kClassName, &State::procedure);
    const HWND window =
        ::CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, platform::wideText(title).c_str(),
                          WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, static_cast<HWND>(owner),
                          nullptr, ::GetModuleHandleW(nullptr), m_state.get());
    m_state->window = window;
    m_state->centreOverOwner(static_cast<HWND>(owner));
    m_state->createControls();
    ::ShowWindow(window, SW_SHOW);
    ::SetFocus(m_state->button);
}

NativeProgress::~NativeProgress()
{
    ::DestroyWindow(m_state->window);
    ::DeleteObject(m_state->font);
}

void NativeProgress::setText(const std::string& text)
{
    ::SetWindowTextW(m_state->text, platform::wideText(text).c_str());
}

void NativeProgress::setPermille(int permille)
{
    ::SendMessageW(m_state->bar, PBM_SETPOS, static_cast<WPARAM>(permille), 0);
}

bool NativeProgress::handles(MSG& message)
{
    return ::GetAncestor(message.hwnd, GA_ROOT) == m_state->window &&
           ::IsDialogMessageW(m_state->window, &message);
}

void* NativeProgress::handle() const
{
    return m_state->window;
}

} // namespace purgix::window
