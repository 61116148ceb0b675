#include "window/win32/win32_main_window.h"

#include "window/model/background_run.h"
#include "window/model/window_desktop.h"
#include "window/win32/native_progress.h"

#include <algorithm>
#include <utility>

namespace purgix::window {

namespace {

NativeKind nativeKind(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label:
        return NativeKind::Label;
    case ControlKind::TextBox:
        return NativeKind::TextBox;
    case ControlKind::Button:
        return NativeKind::Button;
    }
    return NativeKind::Label;
}

// Arial's metrics at 10 pixels, as in the Qt view: "Target strings:" fits its 67 x 13
// pixel label, which the usual 8 pt system font would overflow.
const NativeFont kFont = {"Arial", 10};

std::vector<LayoutRow> rowsInTabOrder()
{
    std::vector<LayoutRow> rows(layoutTable().begin(), layoutTable().end());
    std::ranges::sort(rows, {}, &LayoutRow::tabIndex);
    return rows;
}

std::vector<NativeControl> nativeControls(const std::vector<LayoutRow>& rows)
{
    std::vector<NativeControl> controls;
    for (const LayoutRow& row : rows) {
        controls.push_back({nativeKind(row.kind), row.text, row.place.left, row.place.top,
                            row.place.width, row.place.height});
    }
    return controls;
}

} // namespace

Win32MainWindow::Win32MainWindow(settings::SettingsLocation settings, WindowDesktop& desktop)
    : m_model(std::move(settings), *this, desktop), m_rows(rowsInTabOrder()),
      m_native(std::make_unique<NativeWindow>(kApplicationTitle, kClientWidthTwips,
                                              kClientHeightTwips, kFont, nativeControls(m_rows),
                                              static_cast<NativeWindowEvents&>(*this)))
{
    focusFile();
}

int Win32MainWindow::control(Control control, int index) const
{
    const auto row = std::ranges::find_if(m_rows, [&](const LayoutRow& candidate) {
        return candidate.control == control && (index == kNoIndex || candidate.index == index);
    });
    return static_cast<int>(row - m_rows.begin());
}

std::string Win32MainWindow::fileText() const
{
    return m_native->text(control(Control::TxtFile));
}

void Win32MainWindow::setFileText(const std::string& text)
{
    m_native->setText(control(Control::TxtFile), text);
}

std::string Win32MainWindow::targetText(int index) const
{
    return m_native->text(control(Control::TxtTarget, index));
}

void Win32MainWindow::setTargetText(int index, const std::string& text)
{
    m_native->setText(control(Control::TxtTarget, index), text);
}

void Win32MainWindow::focusFile()
{
    m_native->focus(control(Control::TxtFile));
}

void Win32MainWindow::focusTarget(int index)
{
    m_native->focus(control(Control::TxtTarget, index));
}

void Win32MainWindow::showWaitState()
{
    m_native->showWaitCursor();
}

// Until the dialog shows, user input waits in the queue. Then what waited is taken as after
// a run (a close request or Esc is kept for the run's end), and the window drops input
// while the dialog takes it.
void Win32MainWindow::waitForRun(BackgroundRun& run)
{
    const auto finished = [&run] { return run.finished(); };
    if (m_native->waitWithoutInput(finished, BackgroundRun::kDialogDelay,
                                   BackgroundRun::kPollInterval)) {
        return;
    }
    m_native->dropHeldInput();
    NativeProgress dialog(m_native->handle(), kApplicationTitle, [&run] { run.cancel(); });
    std::string shownText;
    const auto showProgress = [&] {
        dialog.setPermille(run.permilleRead());
        if (std::string text = run.statusText(); text != shownText) {
            dialog.setText(text);
            shownText = std::move(text);
        }
    };
    m_native->waitWithDialog(finished, showProgress, BackgroundRun::kPollInterval, dialog);
}

void Win32MainWindow::takeHeldInput()
{
    m_native->dropHeldInput();
}

void Win32MainWindow::hideWaitState()
{
    m_native->restoreCursor();
}

void Win32MainWindow::requestClose()
{
    m_native->close();
}

void Win32MainWindow::clicked(int control)
{
    const LayoutRow& row = m_rows.at(static_cast<std::size_t>(control));
    switch (row.control) {
    case Control::Browse:
        m_model.browseClicked();
        break;
    case Control::CmdPurgix:
        m_model.purgixClicked();
        break;
    case Control::Command1:
        m_model.clearClicked();
        break;
    case Control::Paste:
        m_model.pasteClicked(row.index);
        break;
    case Control::Label1:
        m_model.label1Clicked();
        break;
    case Control::Label2:
        m_model.label2Clicked();
        break;
    case Control::TxtFile:
    case Control::TxtTarget:
        break;
    }
}

void Win32MainWindow::textChanged(int control)
{
    const LayoutRow& row = m_rows.at(static_cast<std::size_t>(control));
    if (row.control == Control::TxtTarget) {
        m_model.targetChanged(row.index);
    }
}

void Win32MainWindow::filesDropped(const std::vector<std::string>& paths)
{
    m_model.filesDropped(paths);
}

void Win32MainWindow::escapeReleased()
{
    m_model.escapeReleased();
}

bool Win32MainWindow::closeRequested()
{
    return m_model.closeRequested();
}

} // namespace purgix::window
