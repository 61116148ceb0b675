#include "window/qt/escape_watcher.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace purgix::window {

EscapeWatcher::EscapeWatcher(QWidget* window) : QObject(window), m_window(window)
{
    qApp->installEventFilter(this);
}

bool EscapeWatcher::eventFilter(QObject* watched, QEvent* event)
{
    const bool isPress = event->type() == QEvent::KeyPress;
    if (!isPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // Key events reach the QWindow first and then climb the widget chain: look at widgets only.
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (key->key() != Qt::Key_Escape || key->isAutoRepeat() || widget == nullptr) {
        return false;
    }
    const bool inWindow = widget->window() == m_window;
    if (isPress) {
        m_pressSeen = inWindow;
        return false;
    }
    if (!inWindow || !m_pressSeen) {
        return false;
    }
    m_pressSeen = false;
    emit escapeReleased();
    return true;
}

} // namespace purgix::window
