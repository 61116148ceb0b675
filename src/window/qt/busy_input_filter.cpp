#include "window/qt/busy_input_filter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace purgix::window {

namespace {

bool isEscapeKey(const QEvent* event)
{
    const auto type = event->type();
    return (type == QEvent::KeyPress || type == QEvent::KeyRelease ||
            type == QEvent::ShortcutOverride) &&
           static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

} // namespace

BusyInputFilter::BusyInputFilter(const QWidget* open) : m_open(open)
{
    // A deleted filter leaves the application's list by itself.
    QCoreApplication::instance()->installEventFilter(this);
}

// Input reaches a dialog's QWindow first and then its widgets; its Esc key reaches the
// dialog's shortcut.
bool BusyInputFilter::isForOpenDialog(const QObject* watched) const
{
    if (m_open == nullptr) {
        return false;
    }
    for (const QObject* object = watched; object != nullptr; object = object->parent()) {
        if (object == m_open || object == m_open->windowHandle()) {
            return true;
        }
    }
    return false;
}

bool BusyInputFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (isForOpenDialog(watched)) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Shortcut:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return event->isInputEvent() && !isEscapeKey(event);
    }
}

} // namespace purgix::window
