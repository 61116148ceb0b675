#include "window/model/window_model.h"

#include "engine/delete_run.h"
#include "platform/files/program_folder.h"
#include "settings/target_settings.h"
#include "window/model/background_run.h"
#include "window/model/window_desktop.h"
#include "window/model/window_view.h"

#include <utility>

namespace purgix::window {

namespace {

constexpr char kSaveQuestion[] = "Save changed search strings?";

// A line break inside a target could never match a line and would split its line of the
// settings file, shifting every later target: only the first line of the text counts.
std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace

WindowModel::WindowModel(settings::SettingsLocation settings, WindowView& view,
                         WindowDesktop& desktop)
    : m_settings(std::move(settings)), m_view(view), m_desktop(desktop)
{
}

void WindowModel::load(const std::string& fileBoxText)
{
    Targets targets = targetTexts();
    // A settings file that cannot be read leaves ten empty targets. Its absence is the
    // ordinary first start; any other reason is worth knowing before the user saves.
    const settings::LoadResult loaded = settings::loadTargets(m_settings.file, targets);
    if (!loaded.succeeded && !loaded.missing) {
        m_desktop.information(loaded.message);
    }
    for (int i = 0; i < kTargetCount; ++i) {
        m_view.setTargetText(i, targets[i]);
        m_loadedBytes[i] = std::move(targets[i]);
    }
    // Loading changed the boxes and so raised the flag; what was loaded is the clean state.
    m_changed = false;
    m_view.setFileText(fileBoxText);
}

void WindowModel::targetChanged(int index)
{
    m_changed = true;
    m_loadedBytes.at(index).reset();
}

void WindowModel::purgixClicked()
{
    // The run's event pump must not start a second run inside this one.
    if (m_runInProgress) {
        return;
    }
    m_runInProgress = true;
    m_view.showWaitState();
    // A cancelled run may still be discarding its new content while its message shows;
    // `run` waits for that as it goes.
    BackgroundRun run(m_view.fileText(), targetTexts(), {});
    m_view.waitForRun(run);
    const engine::DeleteRunOutcome outcome = run.takeOutcome();
    m_view.takeHeldInput();
    m_view.hideWaitState();
    m_runInProgress = false;
    if (!outcome.notice.empty()) {
        m_desktop.information(outcome.notice);
    }
    m_desktop.information(outcome.message);
    if (std::exchange(m_closeAfterRun, false)) {
        m_view.requestClose();
    }
}

void WindowModel::browseClicked()
{
    if (const std::optional<std::string> path = m_desktop.chooseFile()) {
        m_view.setFileText(*path);
    }
}

void WindowModel::pasteClicked(int index)
{
    m_view.setTargetText(index, firstLine(m_desktop.clipboardText()));
}

void WindowModel::clearClicked()
{
    for (int i = 0; i < kTargetCount; ++i) {
        m_view.setTargetText(i, {});
    }
}

void WindowModel::label1Clicked()
{
    m_view.focusTarget(kTargetCount - 1);
}

void WindowModel::label2Clicked()
{
    m_view.focusFile();
}

void WindowModel::filesDropped(const std::vector<std::string>& paths)
{
    if (!paths.empty()) {
        m_view.setFileText(paths.front());
    }
}

void WindowModel::escapeReleased()
{
    m_view.requestClose();
}

bool WindowModel::closeRequested()
{
    // A close that arrives during a run's event pump waits for the run and its message.
    if (m_runInProgress) {
        m_closeAfterRun = true;
        return false;
    }
    if (!m_changed) {
        return true;
    }
    switch (m_desktop.askYesNoCancel(kSaveQuestion)) {
    case Answer::Yes:
        // A failed save keeps the window open, so the targets are not lost unnoticed.
        return saveTargets();
    case Answer::No:
        return true;
    case Answer::Cancel:
        return false;
    }
    return false;
}

Targets WindowModel::targetTexts() const
{
    Targets texts;
    for (int i = 0; i < kTargetCount; ++i) {
        texts[i] = m_loadedBytes[i] ? *m_loadedBytes[i] : m_view.targetText(i);
    }
    return texts;
}

bool WindowModel::saveTargets()
{
    const settings::SaveResult saved = settings::saveTargetsAt(m_settings, targetTexts());
    if (!saved.succeeded) {
        m_desktop.information(saved.message);
    }
    return saved.succeeded;
}

std::string startFileText(const settings::SettingsLocation& settings,
                          const std::string& programFolder, const std::string& homeFolder,
                          const std::vector<std::string>& arguments)
{
    if (!arguments.empty()) {
        return arguments.front();
    }
    std::string folder = settings.besideProgram ? programFolder : homeFolder;
    if (folder.empty() || folder.back() != platform::kFolderSeparator) {
        folder += platform::kFolderSeparator;
    }
    return folder + "test.txt";
}

} // namespace purgix::window
