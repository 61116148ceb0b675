#include "window/qt/busy_input_filter.h"

#include <QCoreApplication>
#include <QKeyEvent>

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

BusyInputFilter::BusyInputFilter()
{
    // A deleted filter leaves the application's list by itself.
    QCoreApplication::instance()->installEventFilter(this);
}

bool BusyInputFilter::eventFilter(QObject* /*watched*/, QEvent* event)
{
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
