#include "window/qt/window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QTest>

namespace purgix::test {

window::MainWindow& WindowTest::open()
{
    return open(window::windowStart(settings::Layout::Portable, m_folder.path().string(), {}));
}

window::MainWindow& WindowTest::open(window::WindowStart start)
{
    m_window.reset();
    m_window = std::make_unique<window::MainWindow>(std::move(start), m_desktop);
    m_window->show();
    m_window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    return *m_window;
}

QWidget* WindowTest::control(const char* name, int index) const
{
    for (QWidget* widget : m_window->findChildren<QWidget*>(QString::fromLatin1(name))) {
        if (widget->property("index").toInt() == index || index < 0) {
            return widget;
        }
    }
    ADD_FAILURE() << "no control " << name << " " << index;
    return nullptr;
}

QLineEdit* WindowTest::target(int index) const
{
    return qobject_cast<QLineEdit*>(control("txtTarget", index));
}

void WindowTest::click(const char* name, int index) const
{
    QTest::mouseClick(control(name, index), Qt::LeftButton);
}

QStringList WindowTest::targetTexts() const
{
    QStringList texts;
    for (int i = 0; i < kTargetCount; ++i) {
        texts << target(i)->text();
    }
    return texts;
}

bool WindowTest::drop(QWidget* onto, const QMimeData& data)
{
    const QPoint point(5, 5);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent dropped(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &dropped);
    return dropped.isAccepted();
}

} // namespace purgix::test
