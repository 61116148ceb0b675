#pragma once

#include "core/targets.h"
#include "settings/settings_location.h"
#include "window/model/display_bytes.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace purgix::window {

class WindowDesktop;
class WindowView;

// The window's behaviour without any toolkit: the views turn their events into these
// calls and show what the model sets. It keeps the change flag ("0" while the target
// boxes hold what was loaded, "1" once any of them changed) and the state of a run.
class WindowModel
{
public:
    WindowModel(settings::SettingsLocation settings, WindowView& view, WindowDesktop& desktop);

    // Fills the target boxes from the settings file, marks them unchanged and puts the
    // path `fileBoxBytes` into the file box.
    void load(const std::string& fileBoxBytes);
    bool changed() const { return m_changed; }

    void targetChanged(int index);
    void purgixClicked();
    void browseClicked();
    void pasteClicked(int index);
    void clearClicked();
    void label1Clicked();
    void label2Clicked();
    // Files dropped onto the window, in the order the desktop gave them.
    void filesDropped(const std::vector<std::string>& paths);
    void escapeReleased();
    // Whether the window may close now; may ask to save the targets first.
    bool closeRequested();

private:
    Targets targetBytes() const;
    void showTarget(int index, const std::string& bytes);
    void showTargetText(int index, const std::string& text, BoxEncoding encoding);
    std::string fileBytes() const;
    void showFile(const std::string& bytes);
    bool saveTargets();

    settings::SettingsLocation m_settings;
    WindowView& m_view;
    WindowDesktop& m_desktop;
    bool m_changed = false;
    bool m_runInProgress = false;
    bool m_closeAfterRun = false;
    // How each box shows its bytes, kept through editing so that a box showing one
    // character per byte goes on doing so; and the text each target box last held, so that
    // only a change of text counts as a change.
    std::array<BoxEncoding, kTargetCount> m_targetEncodings{};
    std::array<std::string, kTargetCount> m_targetTexts{};
    BoxEncoding m_fileEncoding = BoxEncoding::Utf8;
};

// What the window's program prints instead of opening the window, for the arguments that
// follow its name: the usage for --help (or -h), the version for --version; nothing for
// anything else, which is a file to open ("--" first lets a file named so be opened).
std::optional<std::string> commandLineReply(const std::vector<std::string>& arguments);

// The file box's first text: the first argument when there is one (after a leading "--"),
// so that a file manager can open a file with Purgix; else "test.txt" in the folder the
// targets are kept beside: the program's own folder when the settings file is there, else
// `homeFolder`.
std::string startFileText(const settings::SettingsLocation& settings,
                          const std::string& programFolder, const std::string& homeFolder,
                          const std::vector<std::string>& arguments);

} // namespace purgix::window
