#include "window/qt/clickable_label.h"

#include <QMouseEvent>

namespace purgix::window {

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    // Accepting the press is what routes the matching release to this label.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // Like a button, a press dragged off the label before release is no click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

} // namespace purgix::window
