#include "window/qt/main_window.h"

#include "window/model/background_run.h"
#include "window/qt/busy_input_filter.h"
#include "window/qt/clickable_label.h"
#include "window/qt/escape_watcher.h"
#include "window/qt/local_path.h"
#include "window/qt/run_progress.h"
#include "window/qt/window_font.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSessionManager>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace purgix::window {

namespace {

QRect toPixels(const TwipRect& place)
{
    return {twipsToPixels(place.left), twipsToPixels(place.top), twipsToPixels(place.width),
            twipsToPixels(place.height)};
}

QString spokenName(const LayoutRow& row)
{
    switch (row.control) {
    case Control::TxtFile:
        return QStringLiteral("File");
    case Control::TxtTarget:
        return QStringLiteral("Target string %1").arg(row.index + 1);
    case Control::Paste:
        return QStringLiteral("Paste into target string %1").arg(row.index + 1);
    default:
        return QString::fromLatin1(row.text).remove(QLatin1Char('&'));
    }
}

std::vector<std::string> localFiles(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (std::optional<std::string> path = localPathBytes(url)) {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}

} // namespace

MainWindow::MainWindow(WindowStart start, WindowDesktop& desktop, QWidget* parent)
    : QWidget(parent), m_model(std::move(start.settings), *this, desktop)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setFont(windowFont());
    // No layout manager: the controls keep their places, and the size never changes.
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    setAcceptDrops(true);

    buildControls();
    connectHandlers();
    m_model.load(start.fileBoxPath);
    m_txtFile->setFocus();
}

void MainWindow::buildControls()
{
    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const LayoutRow& row : layoutTable()) {
        QWidget* control = createControl(row);
        control->setObjectName(QString::fromLatin1(row.name));
        if (row.index != kNoIndex) {
            control->setProperty("index", row.index);
        }
        control->setGeometry(toPixels(row.place));
        if (row.kind != ControlKind::Label) {
            control->setAccessibleName(spokenName(row));
            tabStops.emplace_back(row.tabIndex, control);
        }
    }
    m_label1->setBuddy(m_txtTarget[0]);
    m_label2->setBuddy(m_txtFile);
    applyTabOrder(std::move(tabStops));
}

QLineEdit* MainWindow::newTextBox(const QString& text)
{
    auto* box = new QLineEdit(this);
    // A box cuts pasted text at its maximum length without a word, and a shortened target
    // matches lines the whole one does not: the box holds whatever it is given.
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setText(text);
    return box;
}

QWidget* MainWindow::createControl(const LayoutRow& row)
{
    const QString text = QString::fromLatin1(row.text);
    switch (row.control) {
    case Control::Label1:
        return m_label1 = new ClickableLabel(text, this);
    case Control::Label2:
        return m_label2 = new ClickableLabel(text, this);
    case Control::TxtFile:
        return m_txtFile = newTextBox(text);
    case Control::TxtTarget:
        return m_txtTarget.at(row.index) = newTextBox(text);
    case Control::Browse:
        return m_browse = new QPushButton(text, this);
    case Control::CmdPurgix:
        return m_cmdPurgix = new QPushButton(text, this);
    case Control::Command1:
        return m_command1 = new QPushButton(text, this);
    case Control::Paste:
        return m_paste.at(row.index) = new QPushButton(text, this);
    }
    return nullptr;
}

void MainWindow::applyTabOrder(std::vector<std::pair<int, QWidget*>> tabStops)
{
    std::ranges::sort(tabStops, {}, &std::pair<int, QWidget*>::first);
    for (std::size_t i = 1; i < tabStops.size(); ++i) {
        QWidget::setTabOrder(tabStops[i - 1].second, tabStops[i].second);
    }
}

void MainWindow::connectHandlers()
{
    for (int i = 0; i < kTargetCount; ++i) {
        connect(m_txtTarget[i], &QLineEdit::textChanged, this,
                [this, i] { m_model.targetChanged(i); });
        connect(m_paste[i], &QPushButton::clicked, this, [this, i] { m_model.pasteClicked(i); });
        // Drops of files over a text box belong to the window, not to the box.
        m_txtTarget[i]->installEventFilter(this);
    }
    m_txtFile->installEventFilter(this);
    connect(m_cmdPurgix, &QPushButton::clicked, this, [this] { m_model.purgixClicked(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { m_model.browseClicked(); });
    connect(m_command1, &QPushButton::clicked, this, [this] { m_model.clearClicked(); });
    connect(m_label1, &ClickableLabel::clicked, this, [this] { m_model.label1Clicked(); });
    connect(m_label2, &ClickableLabel::clicked, this, [this] { m_model.label2Clicked(); });
    connect(new EscapeWatcher(this), &EscapeWatcher::escapeReleased, this,
            [this] { m_model.escapeReleased(); });
    // Logging out closes the window: the save question comes first, where the session
    // manager lets the program ask, and Cancel asks it to keep the session.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (manager.allowsInteraction()) {
            if (!m_model.closeRequested()) {
                manager.cancel();
            }
            manager.release();
        }
    });
}

std::string MainWindow::fileText() const
{
    return m_txtFile->text().toStdString();
}

void MainWindow::setFileText(const std::string& text)
{
    m_txtFile->setText(QString::fromStdString(text));
}

std::string MainWindow::targetText(int index) const
{
    return m_txtTarget.at(index)->text().toStdString();
}

void MainWindow::setTargetText(int index, const std::string& text)
{
    m_txtTarget.at(index)->setText(QString::fromStdString(text));
}

void MainWindow::focusFile()
{
    m_txtFile->setFocus(Qt::MouseFocusReason);
}

void MainWindow::focusTarget(int index)
{
    m_txtTarget.at(index)->setFocus(Qt::MouseFocusReason);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->setAccepted(m_model.closeRequested());
}

void MainWindow::showWaitState()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // One pump lets the cursor show; user input waits until the run has ended.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Until the dialog shows, user input waits in the window system's queue. Then what waited
// is taken as after a run (a close request or Esc is kept for the run's end), and the
// window's controls drop input while the dialog takes it.
void MainWindow::waitForRun(BackgroundRun& run)
{
    if (waitForRunFor(run, BackgroundRun::kDialogDelay, QEventLoop::ExcludeUserInputEvents)) {
        return;
    }
    takeHeldInput();
    const std::unique_ptr<QProgressDialog> dialog(newRunProgressDialog(run, this));
    const BusyInputFilter holdInput(dialog.get());
    // The wait cursor over the window only: Cancel is pointed at with the usual arrow.
    QApplication::restoreOverrideCursor();
    setCursor(Qt::WaitCursor);
    dialog->show();
    // Focus in the dialog, so that Esc presses its Cancel.
    dialog->activateWindow();
    waitForRunFor(run, std::chrono::milliseconds::max(), QEventLoop::AllEvents, dialog.get());
    unsetCursor();
    QApplication::setOverrideCursor(Qt::WaitCursor);
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
