#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace purgix::window {

class NativeProgress;

enum class NativeKind { Label, TextBox, Button };

// One child control, placed in twips (1,440 to the inch) from the client area's corner.
struct NativeControl
{
    NativeKind kind;
    std::string text; // UTF-8; '&' marks a mnemonic
    int left;
    int top;
    int width;
    int height;
};

// The font of every control: a face and its height in pixels at 96 dpi.
struct NativeFont
{
    std::string face;
    int pixels;
};

// What a native window reports. Controls are numbered by their place in the list the
// window was made from.
class NativeWindowEvents
{
public:
    virtual ~NativeWindowEvents() = default;

    virtual void clicked(int control) = 0; // a button, or a label
    virtual void textChanged(int control) = 0;
    virtual void filesDropped(const std::vector<std::string>& paths) = 0;
    virtual void escapeReleased() = 0;
    // Whether the window may close now.
    virtual bool closeRequested() = 0;
};

// A top-level Win32 window of fixed client size with labels, single-line text boxes and
// buttons. The controls are made in the order given, which is their tab order; the window
// takes dropped files, and an Esc released in it (after its press) is reported whichever
// control has the focus. Text is UTF-8 here and UTF-16 to the system.
class NativeWindow
{
public:
    NativeWindow(const std::string& title, int widthTwips, int heightTwips, const NativeFont& font,
                 const std::vector<NativeControl>& controls, NativeWindowEvents& events);
    ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    void show();
    // Runs the message loop until the window is gone.
    void run();
    // Handles the messages waiting now, as a test or a run's pump needs.
    void processMessages();

    std::string text(int control) const;
    void setText(int control, const std::string& text);
    void focus(int control);

    // The wait cursor, with one pass over waiting messages other than user input.
    void showWaitCursor();
    // Drops the user input held while busy; an Esc released is still reported, and a
    // close request (the close box, Alt+F4) still arrives.
    void dropHeldInput();
    // Takes the messages other than user input, which waits in the queue, until `done()` or
    // until `limit` has passed, looking at `done()` at least every `interval`; true when done.
    bool waitWithoutInput(const std::function<bool()>& done, std::chrono::milliseconds limit,
                          std::chrono::milliseconds interval);
    // Takes every message until `done()`, calling `tick` every `interval`. The dialog's
    // messages go through; the window's user input is dropped but for what dropHeldInput()
    // keeps, so that a wish to close waits for the end of the work.
    void waitWithDialog(const std::function<bool()>& done, const std::function<void()>& tick,
                        std::chrono::milliseconds interval, NativeProgress& dialog);
    void restoreCursor();

    // Asks the window to close, as its close box does.
    void close();
    bool isOpen() const;
    // The window's handle (HWND), for dialogs owned by it, and a control's, for tests that
    // drive the window as a user or a screen reader would.
    void* handle() const;
    void* controlHandle(int control) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace purgix::window
