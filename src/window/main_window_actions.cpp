#include "busy_input_filter.h"
#include "delete_run.h"
#include "main_window.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <utility>

namespace purgix::window {

namespace {

static_assert(engine::kSlotCount == kTargetRows);

// A line break inside a target could never match a line and would split its line of the
// settings file, shifting every later target: only the first line of the text counts.
QString firstLine(const QString& text)
{
    const auto lineBreak = std::ranges::find_if(
        text, [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); });
    return text.left(lineBreak - text.begin());
}

std::optional<QString> firstLocalFile(const QMimeData* data)
{
    if (data == nullptr) {
        return std::nullopt;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return std::nullopt;
}

} // namespace

void MainWindow::cmdPurgixClick()
{
    // The run's event pump must not start a second run inside this one.
    if (m_runInProgress) {
        return;
    }
    m_runInProgress = true;
    bool waitCursorShown = false;
    engine::DeleteRunOptions options;
    options.onTempFileReady = [&waitCursorShown] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        waitCursorShown = true;
        // One pump lets the cursor show; user input waits until the run has ended.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const TargetTexts targets = targetTexts();
    const engine::DeleteRunOutcome outcome =
        engine::runDelete(QFile::encodeName(m_txtFile->text()).toStdString(), targets, options);
    takeInputHeldDuringRun();
    if (waitCursorShown) {
        QApplication::restoreOverrideCursor();
    }
    m_runInProgress = false;
    m_services.messageBoxes.information(this, QString::fromLocal8Bit(outcome.message));
    if (std::exchange(m_closeAfterRun, false)) {
        close();
    }
}

// User input that arrived while the run worked has waited in the window system's queue.
// Left there, it would reach the run's message box, which swallows a close request and takes
// Esc as its own answer. It is taken now, while the run still counts as in progress: a close
// request or Esc is deferred until the message has been shown, and the rest is dropped.
void MainWindow::takeInputHeldDuringRun()
{
    const BusyInputFilter dropInput;
    QCoreApplication::processEvents();
}

void MainWindow::browseClick()
{
    if (const std::optional<QString> path = m_services.fileDialog.chooseFile(this)) {
        m_txtFile->setText(*path);
    }
}

void MainWindow::pasteClick(int index)
{
    m_txtTarget.at(index)->setText(firstLine(m_services.clipboard.text()));
}

void MainWindow::command1Click()
{
    for (QLineEdit* box : m_txtTarget) {
        box->setText(QString());
    }
}

void MainWindow::label1Click()
{
    m_txtTarget[kTargetRows - 1]->setFocus(Qt::MouseFocusReason);
}

void MainWindow::label2Click()
{
    m_txtFile->setFocus(Qt::MouseFocusReason);
}

// Takes drags that carry a local file; the drop puts the first such file's path into the
// file box. Anything else (dragged text) is left to the control under the mouse.
bool MainWindow::handleFileDrag(QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    auto* drag = static_cast<QDropEvent*>(event);
    const std::optional<QString> path = firstLocalFile(drag->mimeData());
    if (!path) {
        return false;
    }
    if (type == QEvent::Drop) {
        m_txtFile->setText(*path);
    }
    drag->acceptProposedAction();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    return handleFileDrag(event) || QWidget::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    event->setAccepted(handleFileDrag(event));
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    event->setAccepted(handleFileDrag(event));
}

void MainWindow::dropEvent(QDropEvent* event)
{
    event->setAccepted(handleFileDrag(event));
}

} // namespace purgix::window
