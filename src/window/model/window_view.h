#pragma once

#include <string>

namespace purgix::window {

class BackgroundRun;

// What the window model needs of a view (Qt widgets on Linux, Win32 controls on Windows).
// Texts are UTF-8, as the boxes show them; the model maps them to and from the bytes of
// targets and paths.
class WindowView
{
public:
    virtual ~WindowView() = default;

    virtual std::string fileText() const = 0;
    virtual void setFileText(const std::string& text) = 0;
    virtual std::string targetText(int index) const = 0;
    // The box reports the change back through targetChanged().
    virtual void setTargetText(int index, const std::string& text) = 0;
    virtual void focusFile() = 0;
    virtual void focusTarget(int index) = 0;

    // Shows the wait cursor and lets it appear, holding user input back until the run ends.
    virtual void showWaitState() = 0;
    // Keeps taking events, input to the window's controls held back, until `run` has
    // finished. A run still working after BackgroundRun::kDialogDelay shows a modal
    // progress dialog (caption "Purgix", the file's name, a bar of the bytes read, Cancel,
    // which Esc presses) whose Cancel calls run.cancel(); it closes when the run ends.
    virtual void waitForRun(BackgroundRun& run) = 0;
    // Takes the input held during the run: a close request or Esc is kept, through
    // closeRequested() or escapeReleased() while the run still counts as in progress, and
    // the rest is dropped.
    virtual void takeHeldInput() = 0;
    virtual void hideWaitState() = 0;

    // Asks the window to close, which comes back through closeRequested().
    virtual void requestClose() = 0;
};

} // namespace purgix::window
