#include "window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QTest>

namespace purgix::test {

void FakeMessageBoxes::information(QWidget*, const QString& text)
{
    shown << text;
    if (whileShown) {
        whileShown();
    }
}

platform::Answer FakeMessageBoxes::askYesNoCancel(QWidget*, const QString& text)
{
    shown << text;
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return platform::Answer::Cancel;
    }
    const platform::Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

window::MainWindow& WindowTest::open(const QString& programFolder)
{
    return open(window::windowStart(settings::Layout::Portable, programFolder, {}));
}

window::MainWindow& WindowTest::open(window::WindowStart start)
{
    m_window.reset();
    m_window = std::make_unique<window::MainWindow>(
        std::move(start), platform::DesktopServices{m_boxes, m_dialog, m_clipboard});
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
    for (int i = 0; i < window::kTargetRows; ++i) {
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
