#include "window_fixture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeySequence>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <functional>

namespace purgix::test {
namespace {

TEST_F(WindowTest, BrowsePutsTheChosenPathIntoTheFileBoxAndCancelKeepsIt)
{
    open();
    const QString start = fileBox()->text();
    click("Browse");
    EXPECT_EQ(fileBox()->text(), start);
    m_dialog.choice = "/home/me/data list.txt";
    click("Browse");
    EXPECT_EQ(fileBox()->text(), "/home/me/data list.txt");
}

TEST_F(WindowTest, ADroppedFileGoesIntoTheFileBoxWhereverItLands)
{
    m_folder.write("purgix.ini", "");
    open();
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile("/data/one.txt")});
    EXPECT_TRUE(drop(m_window.get(), one));
    EXPECT_EQ(fileBox()->text(), "/data/one.txt");

    // A file manager adds the paths as text too; over a target box they still name a file.
    QMimeData several;
    several.setUrls({QUrl("https://example.com/page"), QUrl::fromLocalFile("/data/first.txt"),
                     QUrl::fromLocalFile("/data/second.txt")});
    several.setText("/data/first.txt\n/data/second.txt");
    EXPECT_TRUE(drop(target(2), several));
    EXPECT_EQ(fileBox()->text(), "/data/first.txt");
    EXPECT_EQ(target(2)->text(), "127.0.0.1");

    // Onto the file box itself the path replaces its text instead of being inserted as text.
    EXPECT_TRUE(drop(fileBox(), several));
    EXPECT_EQ(fileBox()->text(), "/data/first.txt");
}

TEST_F(WindowTest, MnemonicsPressTheirButtons)
{
    m_folder.write("purgix.ini", "");
    m_folder.write("test.txt", "127.0.0.1\r\n");
    m_dialog.choice = "/data/chosen.txt";
    const struct
    {
        Qt::Key key;
        std::function<bool()> pressed;
    } cases[] = {
        {Qt::Key_B, [&] { return fileBox()->text() == "/data/chosen.txt"; }},
        {Qt::Key_P, [&] { return m_boxes.shown == QStringList{"1 lines deleted."}; }},
        // Every paste button carries Alt+A, so the key only moves the focus to the first.
        {Qt::Key_A, [&] { return QApplication::focusWidget() == control("paste", 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        m_boxes.shown.clear();
        open();
        QTest::keyClick(m_window->windowHandle(), c.key, Qt::AltModifier);
        // A button pressed by its mnemonic is released, and so clicked, a moment later.
        EXPECT_TRUE(QTest::qWaitFor(c.pressed, 1000));
        EXPECT_EQ(targetTexts(), QStringList(10, "127.0.0.1"));
    }
}

TEST_F(WindowTest, PasteReplacesItsRowWithTheClipboardsFirstLine)
{
    const std::pair<QString, QString> cases[] = {
        {"foo", "foo"},   {"foo\r\nbar\r\n", "foo"},
        {"a b\n", "a b"}, {"", ""},
        {"\rfoo", ""},    {QString(40000, 'x'), QString(40000, 'x')}};
    m_folder.write("purgix.ini", "");
    for (const auto& [clipboard, expected] : cases) {
        open();
        m_clipboard.content = clipboard;
        click("paste", 4);
        QStringList texts(10, "127.0.0.1");
        texts[4] = expected;
        EXPECT_EQ(targetTexts(), texts) << clipboard.toStdString();
        EXPECT_EQ(m_window->tag(), "1");
    }
}

TEST_F(WindowTest, ADeleteRunReportsItsCountAndRewritesTheFile)
{
    m_folder.write("purgix.ini", "");
    const std::string path = m_folder.write("test.txt", "alpha\r\nhost 127.0.0.1\nx\r\nbeta");
    open();
    click("cmdPurgix");
    EXPECT_EQ(m_boxes.shown, QStringList{"1 lines deleted."});
    EXPECT_EQ(readFile(path), "alpha\r\nx\r\nbeta\r\n");

    // With every target cleared the run leaves the file alone.
    click("Command1");
    EXPECT_EQ(targetTexts(), QStringList(10, QString()));
    click("cmdPurgix");
    EXPECT_EQ(m_boxes.shown.last(), "0 lines deleted.");
    EXPECT_EQ(readFile(path), "alpha\r\nx\r\nbeta\r\n");
}

TEST_F(WindowTest, ARunShowsTheWaitCursorAndCannotStartAgainInsideItself)
{
    m_folder.write("purgix.ini", "");
    m_folder.write("test.txt", "127.0.0.1\r\n");
    open();
    std::optional<Qt::CursorShape> cursorDuringRun;
    // Runs in the run's one event pump: a second click there must not start a second run.
    QTimer::singleShot(0, m_window.get(), [&] {
        if (const QCursor* cursor = QApplication::overrideCursor()) {
            cursorDuringRun = cursor->shape();
        }
        click("cmdPurgix");
    });
    // A close arriving in the pump waits until the run has shown its message.
    QCoreApplication::postEvent(m_window->windowHandle(), new QCloseEvent);
    bool visibleWithMessage = false;
    m_boxes.whileShown = [&] { visibleWithMessage = m_window->isVisible(); };
    click("cmdPurgix");
    EXPECT_EQ(cursorDuringRun, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(m_boxes.shown, QStringList{"1 lines deleted."});
    EXPECT_TRUE(visibleWithMessage);
    EXPECT_FALSE(m_window->isVisible());
}

// Input queued as the window system queues it: it waits for the event loop, which does not
// take user input while a run works.
void queueKeyClick(QWindow* window, Qt::Key key)
{
    using Queue = QWindowSystemInterface;
    const QString text(QChar::fromLatin1(QTest::keyToAscii(key)));
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        Queue::handleKeyEvent<Queue::AsynchronousDelivery>(window, type, key, {}, text);
    }
}

TEST_F(WindowTest, ACloseRequestOrEscDuringARunClosesTheWindowAfterItsMessage)
{
    using Queue = QWindowSystemInterface;
    const struct
    {
        const char* name;
        std::function<void(QWindow*)> input;
        bool changed;
        bool closes;
    } cases[] = {
        {"close box",
         [](QWindow* window) { Queue::handleCloseEvent<Queue::AsynchronousDelivery>(window); },
         false, true},
        {"Esc", [](QWindow* window) { queueKeyClick(window, Qt::Key_Escape); }, false, true},
        {"Esc with changed targets, through the question",
         [](QWindow* window) { queueKeyClick(window, Qt::Key_Escape); }, true, true},
        // Typing meant for a busy window is dropped, not typed into the box afterwards.
        {"typing", [](QWindow* window) { queueKeyClick(window, Qt::Key_X); }, false, false},
    };
    m_folder.write("purgix.ini", "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_folder.write("test.txt", "127.0.0.1\r\n");
        m_boxes.shown.clear();
        open();
        if (c.changed) {
            target(0)->setText("x");
            m_boxes.answers = {platform::Answer::No};
        }
        QWindow* window = m_window->windowHandle();
        // Runs in the run's event pump.
        QTimer::singleShot(0, m_window.get(), [&] {
            target(3)->setFocus();
            c.input(window);
        });
        bool visibleWithMessage = false;
        m_boxes.whileShown = [&] { visibleWithMessage = m_window->isVisible(); };
        click("cmdPurgix");

        EXPECT_TRUE(visibleWithMessage);
        EXPECT_EQ(m_boxes.shown.value(0), "1 lines deleted.");
        EXPECT_EQ(m_boxes.shown.size(), c.changed ? 2 : 1);
        EXPECT_EQ(m_window->isVisible(), !c.closes);
        QCoreApplication::processEvents();
        EXPECT_EQ(target(3)->text(), "127.0.0.1");
    }
}

} // namespace
} // namespace purgix::test
