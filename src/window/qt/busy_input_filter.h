#pragma once

#include <QObject>

class QWidget;

namespace purgix::window {

// While it lives, drops the user input meant for any window or widget of the application,
// except Esc and close requests: input that was aimed at a busy window must not act once
// the window is free (type into a box, click a button, drop a file), while a wish to close
// the window is kept. Input for `open`, a dialog shown meanwhile, goes through.
class BusyInputFilter : public QObject
{
    Q_OBJECT

public:
    explicit BusyInputFilter(const QWidget* open = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isForOpenDialog(const QObject* watched) const;

    const QWidget* m_open;
};

} // namespace purgix::window
