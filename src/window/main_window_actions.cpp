#include "busy_input_filter.h"
#include "main_window.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include <string>
#include <vector>

namespace purgix::window {

namespace {

std::vector<std::string> localFiles(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    return paths;
}

} // namespace

void MainWindow::showWaitState()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // One pump lets the cursor show; user input waits until the run has ended.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// User input that arrived while the run worked has waited in the window system's queue.
// Left there, it would reach the run's message box, which swallows a close request and takes
// Esc as its own answer.
void MainWindow::takeHeldInput()
{
    const BusyInputFilter dropInput;
    QCoreApplication::processEvents();
}

void MainWindow::hideWaitState()
{
    QApplication::restoreOverrideCursor();
}

// Takes drags that carry a local file; the drop hands the files to the model. Anything
// else (dragged text) is left to the control under the mouse.
bool MainWindow::handleFileDrag(QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    auto* drag = static_cast<QDropEvent*>(event);
    const std::vector<std::string> paths = localFiles(drag->mimeData());
    if (paths.empty()) {
        return false;
    }
    if (type == QEvent::Drop) {
        m_model.filesDropped(paths);
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
