#pragma once

#include <QLabel>

namespace purgix::window {

// A label that reports a left click. A plain QLabel ignores the mouse, buddy or not.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace purgix::window
