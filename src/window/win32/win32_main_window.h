#pragma once

#include "window/model/layout_table.h"
#include "window/model/window_model.h"
#include "window/model/window_view.h"
#include "window/win32/native_window.h"

#include <memory>
#include <string>
#include <vector>

namespace purgix::window {

class WindowDesktop;

// The program's one window on Windows: native controls made from the layout table, in
// its tab order, over the window model.
class Win32MainWindow final : private WindowView, private NativeWindowEvents
{
public:
    Win32MainWindow(settings::SettingsLocation settings, WindowDesktop& desktop);

    // Fills the boxes as the window starts (see WindowModel::load()).
    void load(const std::string& fileBoxText) { m_model.load(fileBoxText); }
    bool changed() const { return m_model.changed(); }

    NativeWindow& native() { return *m_native; }
    // The native control number of a control of the layout table.
    int control(Control control, int index = kNoIndex) const;

private:
    std::string fileText() const override;
    void setFileText(const std::string& text) override;
    std::string targetText(int index) const override;
    void setTargetText(int index, const std::string& text) override;
    void focusFile() override;
    void focusTarget(int index) override;
    void showWaitState() override;
    void waitForRun(BackgroundRun& run) override;
    void takeHeldInput() override;
    void hideWaitState() override;
    void requestClose() override;

    void clicked(int control) override;
    void textChanged(int control) override;
    void filesDropped(const std::vector<std::string>& paths) override;
    void escapeReleased() override;
    bool closeRequested() override;

    WindowModel m_model;
    std::vector<LayoutRow> m_rows; // in tab order: row i is native control i
    std::unique_ptr<NativeWindow> m_native;
};

} // namespace purgix::window
