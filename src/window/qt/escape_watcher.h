#pragma once

#include <QObject>

class QWidget;

namespace purgix::window {

// Previews the key events of every widget in one window, whichever has the focus, and
// reports an Esc key released there. The release counts only when its press went to the
// same window: an Esc pressed to answer a message box must not close the window when its
// release arrives after the box has gone.
class EscapeWatcher : public QObject
{
    Q_OBJECT

public:
    explicit EscapeWatcher(QWidget* window);

signals:
    void escapeReleased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    bool m_pressSeen = false;
};

} // namespace purgix::window
