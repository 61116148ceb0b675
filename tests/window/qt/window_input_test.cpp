#include "support/system_environment.h"
#include "window/qt/window_fixture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeySequence>
#include <QMimeData>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace purgix::test {
namespace {

using window::Answer;

const std::string kQuestion = "Save changed search strings?";

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
    m_desktop.choice = "/data/chosen.txt";
    const struct
    {
        Qt::Key key;
        std::function<bool()> pressed;
    } cases[] = {
        {Qt::Key_B, [&] { return fileBox()->text() == "/data/chosen.txt"; }},
        {Qt::Key_P, [&] { return m_desktop.shown == Messages{"1 lines deleted."}; }},
        // Every paste button carries Alt+A, so the key only moves the focus to the first.
        {Qt::Key_A, [&] { return QApplication::focusWidget() == control("paste", 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        m_desktop.shown.clear();
        open();
        QTest::keyClick(m_window->windowHandle(), c.key, Qt::AltModifier);
        // A button pressed by its mnemonic is released, and so clicked, a moment later.
        EXPECT_TRUE(QTest::qWaitFor(c.pressed, 1000));
        EXPECT_EQ(targetTexts(), QStringList(10, "127.0.0.1"));
    }
}

TEST_F(WindowTest, ButtonsReachTheModelAndBoxesHoldWhateverTheyAreGiven)
{
    m_folder.write("purgix.ini", "");
    const std::string path = m_folder.write("test.txt", "alpha\r\nhost 127.0.0.1\nx\r\nbeta");
    open();
    click("cmdPurgix");
    EXPECT_EQ(m_desktop.shown, Messages{"1 lines deleted."});
    EXPECT_EQ(readFile(path), "alpha\r\nx\r\nbeta\r\n");

    // A line edit cuts text at 32,767 characters unless told otherwise.
    m_desktop.clipboard = std::string(40000, 'x') + "\r\nsecond";
    click("paste", 4);
    EXPECT_EQ(target(4)->text(), QString(40000, 'x'));
    EXPECT_EQ(m_window->tag(), "1");
}

TEST_F(WindowTest, OnlyChangesOfTargetBoxesMarkTheTargetsChanged)
{
    QMimeData text;
    text.setText("dragged");
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile("/data/list.txt")});
    const struct
    {
        const char* name;
        std::function<void()> act;
        const char* tag;
    } cases[] = {
        {"type and erase again",
         [&] {
             QTest::keyClicks(target(3), "x");
             QTest::keyClick(target(3), Qt::Key_Backspace);
         },
         "1"},
        {"drag text into a target", [&] { drop(target(2), text); }, "1"},
        {"type into the file box", [&] { QTest::keyClicks(fileBox(), "x"); }, "0"},
        {"drop a file onto a target", [&] { drop(target(2), file); }, "0"},
    };
    m_folder.write("purgix.ini", "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        c.act();
        EXPECT_EQ(m_window->tag(), c.tag);
    }
}

// Bytes that are not UTF-8 show one character per byte, in the target boxes and in the file
// box, and go back as the bytes they were: a program folder, a target of bytes 0x80 to 0xFF
// and a dropped file named with such bytes survive loading, editing, a run and a save.
TEST_F(WindowTest, BytesThatAreNotUtf8RoundTrip)
{
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        high += static_cast<char>(byte);
    }
    const std::string program = m_folder.path().string() + "/prog\xE9";
    std::filesystem::create_directory(program);
    m_folder.write("prog\xE9/purgix.ini", high + "\r\nsecond\r\n");
    m_folder.write("prog\xE9/test.txt", "a " + high + " b\r\nkeep\r\n");
    const std::string dropped = m_folder.write("list\xE9\xFF", "x\r\n" + high + "\r\n");
    open(window::windowStart(settings::Layout::Portable, program, {}));
    EXPECT_EQ(fileBox()->text(), QString::fromLatin1(program + "/test.txt"));
    EXPECT_EQ(target(0)->text(), QString::fromLatin1(high));

    QTest::keyClicks(target(0), "x");
    QTest::keyClick(target(0), Qt::Key_Backspace);
    QTest::keyClicks(target(1), "!");
    click("cmdPurgix");
    EXPECT_EQ(readFile(program + "/test.txt"), "keep\r\n");

    QMimeData data;
    data.setUrls(
        {QUrl::fromEncoded("file://" + QByteArray::fromStdString(dropped).toPercentEncoding("/"))});
    EXPECT_TRUE(drop(m_window.get(), data));
    EXPECT_EQ(fileBox()->text(), QString::fromLatin1(dropped));
    click("cmdPurgix");
    EXPECT_EQ(readFile(dropped), "x\r\n");

    m_desktop.answers = {Answer::Yes};
    EXPECT_TRUE(m_window->close());
    EXPECT_EQ(m_desktop.shown, (Messages{"1 lines deleted.", "1 lines deleted.", kQuestion}));
    EXPECT_EQ(readFile(program + "/purgix.ini").substr(0, 139), high + "\r\nsecond!\r\n");
}

TEST_F(WindowTest, EscReleasedInTheWindowClosesItThroughTheQuestion)
{
    open();
    target(5)->setFocus();
    target(5)->setText("changed");
    QWindow* window = m_window->windowHandle();
    m_desktop.answers = {Answer::Cancel};
    QTest::keyPress(window, Qt::Key_Escape);
    EXPECT_TRUE(m_desktop.shown.empty()); // the release closes, not the press
    QTest::keyRelease(window, Qt::Key_Escape);
    EXPECT_EQ(m_desktop.shown, Messages{kQuestion});
    EXPECT_TRUE(m_window->isVisible());

    // Esc pressed to answer a message box: only its release reaches the window.
    QTest::keyRelease(window, Qt::Key_Escape);
    EXPECT_EQ(m_desktop.shown.size(), 1U);
    EXPECT_TRUE(m_window->isVisible());

    m_desktop.answers = {Answer::No};
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(m_window->isVisible());
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
    m_desktop.whileShown = [&] { visibleWithMessage = m_window->isVisible(); };
    click("cmdPurgix");
    EXPECT_EQ(cursorDuringRun, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(m_desktop.shown, Messages{"1 lines deleted."});
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
        m_desktop.shown.clear();
        open();
        if (c.changed) {
            target(0)->setText("x");
            m_desktop.answers = {Answer::No};
        }
        QWindow* window = m_window->windowHandle();
        // Runs in the run's event pump.
        QTimer::singleShot(0, m_window.get(), [&] {
            target(3)->setFocus();
            c.input(window);
        });
        bool visibleWithMessage = false;
        m_desktop.whileShown = [&] { visibleWithMessage = m_window->isVisible(); };
        click("cmdPurgix");

        EXPECT_TRUE(visibleWithMessage);
        ASSERT_FALSE(m_desktop.shown.empty());
        EXPECT_EQ(m_desktop.shown[0], "1 lines deleted.");
        EXPECT_EQ(m_desktop.shown.size(), c.changed ? 2U : 1U);
        EXPECT_EQ(m_window->isVisible(), !c.closes);
        QCoreApplication::processEvents();
        EXPECT_EQ(target(3)->text(), "127.0.0.1");
    }
}

// Counts the paint events of the widget it watches.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// A run held by another program's lock: no dialog before the delay, then the progress
// dialog; the window goes on painting; Cancel or Esc leaves the file as it was.
TEST_F(WindowTest, ALongRunShowsItsProgressKeepsPaintingAndCancelLeavesTheFile)
{
    m_folder.write("purgix.ini", "");
    const std::string path = m_folder.write("test.txt", "127.0.0.1\r\nkeep\r\n");
    struct stat before = {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const auto dialog = [&] { return m_window->findChild<QProgressDialog*>("runProgress"); };
    const std::pair<const char*, std::function<void()>> cancels[] = {
        {"Cancel", [&] { QTest::mouseClick(dialog()->findChild<QPushButton*>(), Qt::LeftButton); }},
        {"Esc", [&] { QTest::keyClick(dialog()->windowHandle(), Qt::Key_Escape); }},
    };
    for (const auto& [name, cancel] : cancels) {
        SCOPED_TRACE(name);
        m_desktop.shown.clear();
        open();
        PaintCounter counter;
        m_window->installEventFilter(&counter);
        bool dialogTooEarly = true;
        bool shownLater = false;
        int paintsDuringRun = 0;
        QTimer::singleShot(250, m_window.get(), [&] {
            dialogTooEarly = dialog() != nullptr;
            counter.paints = 0;
            m_window->update();
        });
        QTimer::singleShot(900, m_window.get(), [&] {
            shownLater = dialog() != nullptr && dialog()->isVisible();
            paintsDuringRun = counter.paints;
            EXPECT_EQ(dialog()->windowTitle(), "Purgix");
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(m_window->cursor().shape(), Qt::WaitCursor);
            EXPECT_EQ(dialog()->labelText(), "test.txt");
            cancel();
        });
        {
            const HeldLock lock(path);
            click("cmdPurgix");
        }
        EXPECT_FALSE(dialogTooEarly);
        EXPECT_TRUE(shownLater);
        EXPECT_GT(paintsDuringRun, 0);
        EXPECT_EQ(dialog(), nullptr);
        EXPECT_EQ(m_desktop.shown, Messages{"Cancelled; \"" + path + "\" was left as it is."});
        EXPECT_TRUE(m_window->isVisible()) << "Esc in the dialog is not Esc in the window";
    }
    EXPECT_EQ(readFile(path), "127.0.0.1\r\nkeep\r\n");
    struct stat after = {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

} // namespace
} // namespace purgix::test
