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

void WindowModel::load(const std::string& fileBoxBytes)
{
    Targets targets = targetBytes();
    // A settings file that cannot be read leaves ten empty targets. Its absence is the
    // ordinary first start; any other reason is worth knowing before the user saves.
    const settings::LoadResult loaded = settings::loadTargets(m_settings.file, targets);
    if (!loaded.succeeded && !loaded.missing) {
        m_desktop.information(loaded.message);
    }
    for (int i = 0; i < kTargetCount; ++i) {
        showTarget(i, targets[i]);
    }
    // Loading changed the boxes and so raised the flag; what was loaded is the clean state.
    m_changed = false;
    showFile(fileBoxBytes);
}

// A box set to the text it already holds has not changed, whichever way the view reports it.
void WindowModel::targetChanged(int index)
{
    std::string text = m_view.targetText(index);
    if (text != m_targetTexts.at(index)) {
        m_targetTexts.at(index) = std::move(text);
        m_changed = true;
    }
}

void WindowModel::showTarget(int index, const std::string& bytes)
{
    const BoxEncoding encoding = targetEncodingFor(bytes);
    showTargetText(index, displayBytes(bytes, encoding), encoding);
}

void WindowModel::showTargetText(int index, const std::string& text, BoxEncoding encoding)
{
    m_targetEncodings.at(index) = encoding;
    m_view.setTargetText(index, text);
    // A view need not report a box set to the text it holds, but the text to compare
    // changes with must follow the box all the same.
    targetChanged(index);
}

std::string WindowModel::fileBytes() const
{
    return bytesFromDisplay(m_view.fileText(), m_fileEncoding);
}

void WindowModel::showFile(const std::string& bytes)
{
    m_fileEncoding = encodingFor(bytes);
    m_view.setFileText(displayBytes(bytes, m_fileEncoding));
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
    BackgroundRun run(fileBytes(), targetBytes());
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
        showFile(*path);
    }
}

void WindowModel::pasteClicked(int index)
{
    showTargetText(index, firstLine(m_desktop.clipboardText()), typedTargetEncoding());
}

void WindowModel::clearClicked()
{
    for (int i = 0; i < kTargetCount; ++i) {
        showTargetText(i, {}, typedTargetEncoding());
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
        showFile(paths.front());
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

Targets WindowModel::targetBytes() const
{
    Targets bytes;
    for (int i = 0; i < kTargetCount; ++i) {
        bytes[i] = bytesFromDisplay(m_view.targetText(i), m_targetEncodings[i]);
    }
    return bytes;
}

bool WindowModel::saveTargets()
{
    const settings::SaveResult saved = settings::saveTargetsAt(m_settings, targetBytes());
    if (!saved.succeeded) {
        m_desktop.information(saved.message);
    }
    return saved.succeeded;
}

std::optional<std::string> commandLineReply(const std::vector<std::string>& arguments)
{
    const std::string first = arguments.empty() ? std::string() : arguments.front();
    if (first == "--help" || first == "-h") {
        return "Usage: purgix [FILE]\n"
               "Opens the Purgix window, which removes from a text file every line that\n"
               "contains any of up to ten target strings. FILE, when given, starts in the\n"
               "file box.\n";
    }
    if (first == "--version") {
        return std::string("purgix ") + PURGIX_VERSION + "\n";
    }
    return std::nullopt;
}

std::string startFileText(const settings::SettingsLocation& settings,
                          const std::string& programFolder, const std::string& homeFolder,
                          const std::vector<std::string>& arguments)
{
    const bool endOfOptions = !arguments.empty() && arguments.front() == "--";
    if (arguments.size() > (endOfOptions ? 1U : 0U)) {
        return arguments[endOfOptions ? 1 : 0];
    }
    std::string folder = settings.besideProgram ? programFolder : homeFolder;
    if (folder.empty() || folder.back() != platform::kFolderSeparator) {
        folder += platform::kFolderSeparator;
    }
    return folder + "test.txt";
}

} // namespace purgix::window
