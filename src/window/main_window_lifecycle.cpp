#include "main_window.h"
#include "settings_location.h"
#include "target_settings.h"
#include "target_text.h"

#include <QCloseEvent>
#include <QLineEdit>

#include <utility>

namespace purgix::window {

namespace {

static_assert(settings::kTargetCount == kTargetRows);

} // namespace

void MainWindow::formLoad()
{
    loadTargets();
    // Loading changed the boxes and so raised the flag; what was loaded is the clean state.
    m_tag = QStringLiteral("0");
    m_txtFile->setText(m_start.fileBoxText);
}

void MainWindow::loadTargets()
{
    const std::string path = m_start.settings.file;
    settings::Targets targets = targetTexts();
    // A settings file that cannot be read leaves ten empty targets. Its absence is the
    // ordinary first start; any other reason is worth knowing before the user saves.
    const settings::LoadResult loaded = settings::loadTargets(path, targets);
    if (!loaded.succeeded && !loaded.missing) {
        m_services.messageBoxes.information(this, QString::fromLocal8Bit(loaded.message));
    }
    for (int i = 0; i < kTargetRows; ++i) {
        m_txtTarget[i]->setText(displayText(targets[i]));
        m_loadedBytes[i] = std::move(targets[i]);
    }
}

bool MainWindow::saveTargets()
{
    const settings::SaveResult saved = settings::saveTargetsAt(m_start.settings, targetTexts());
    if (!saved.succeeded) {
        m_services.messageBoxes.information(this, QString::fromLocal8Bit(saved.message));
    }
    return saved.succeeded;
}

TargetTexts MainWindow::targetTexts() const
{
    TargetTexts texts;
    for (int i = 0; i < kTargetRows; ++i) {
        texts[i] = m_loadedBytes[i] ? *m_loadedBytes[i]
                                    : m_txtTarget[i]->text().toLocal8Bit().toStdString();
    }
    return texts;
}

void MainWindow::txtTargetChange(int index)
{
    m_tag = QStringLiteral("1");
    m_loadedBytes[index].reset();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A close that arrives during a run's event pump waits for the run and its message.
    if (m_runInProgress) {
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    if (m_tag != QStringLiteral("1")) {
        event->accept();
        return;
    }
    switch (m_services.messageBoxes.askYesNoCancel(
        this, QStringLiteral("Save changed search strings?"))) {
    case platform::Answer::Yes:
        // A failed save keeps the window open, so the targets are not lost unnoticed.
        event->setAccepted(saveTargets());
        return;
    case platform::Answer::No:
        event->accept();
        return;
    case platform::Answer::Cancel:
        event->ignore();
        return;
    }
}

} // namespace purgix::window
