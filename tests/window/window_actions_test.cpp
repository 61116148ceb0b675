#include "window_fixture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWindow>

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
    EXPECT_EQ(readFile(path), "alpha\r\nbeta\r\n");

    // With every target cleared the run leaves the file alone.
    click("Command1");
    EXPECT_EQ(targetTexts(), QStringList(10, QString()));
    click("cmdPurgix");
    EXPECT_EQ(m_boxes.shown.last(), "0 lines deleted.");
    EXPECT_EQ(readFile(path), "alpha\r\nbeta\r\n");
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

} // namespace
} // namespace purgix::test
