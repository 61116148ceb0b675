#pragma once

#include <QObject>

namespace purgix::window {

// While it lives, drops the user input meant for any window or widget of the application,
// except Esc and close requests: input that was aimed at a busy window must not act once
// the window is free (type into a box, click a button, drop a file), while a wish to close
// the window is kept.
class BusyInputFilter : public QObject
{
    Q_OBJECT

public:
    BusyInputFilter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace purgix::window
