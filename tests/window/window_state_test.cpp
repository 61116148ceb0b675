#include "window_fixture.h"

#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <functional>

namespace purgix::test {
namespace {

using platform::Answer;

const QString kStart = QStringLiteral("127.0.0.1");

TEST_F(WindowTest, StartUpLoadsTheSavedTargetsAndIsClean)
{
    const struct
    {
        const char* name;
        std::optional<std::string> settings;
        QStringList targets;
    } cases[] = {
        {"no settings file", std::nullopt, QStringList(10, QString())},
        {"empty file", "", QStringList(10, kStart)},
        {"three lines", "a\r\n b \r\nc", QStringList{"a", " b ", "c"} + QStringList(7, kStart)},
        {"8-bit code page", "\xE9t\xE9\nd\xC3\xA9j\xC3\xA0\n",
         QStringList{QString::fromUtf8("\xC3\xA9t\xC3\xA9"),
                     QString::fromUtf8("d\xC3\xA9j\xC3\xA0")} +
             QStringList(8, kStart)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_folder.file("purgix.ini"));
        if (c.settings) {
            m_folder.write("purgix.ini", *c.settings);
        }
        open();
        EXPECT_EQ(targetTexts(), c.targets);
        EXPECT_EQ(m_window->tag(), "0");
        EXPECT_TRUE(m_boxes.shown.isEmpty());
    }
}

TEST_F(WindowTest, AnUnreadableSettingsFileEmptiesTheTargetsAndSaysWhy)
{
    const std::string path = m_folder.file("purgix.ini").string();
    const std::pair<std::string, std::string> cases[] = {
        {"folder", "Is a directory"}, {std::string(40000, 'x'), "longer than 32767 bytes"}};
    for (const auto& [content, reason] : cases) {
        std::filesystem::remove(path);
        if (content == "folder") {
            std::filesystem::create_directory(path);
        } else {
            m_folder.write("purgix.ini", content);
        }
        m_boxes.shown.clear();
        open();
        EXPECT_EQ(targetTexts(), QStringList(10, QString()));
        EXPECT_EQ(m_window->tag(), "0");
        ASSERT_EQ(m_boxes.shown.size(), 1);
        EXPECT_TRUE(m_boxes.shown[0].contains(QString::fromStdString(path)));
        EXPECT_TRUE(m_boxes.shown[0].contains(QString::fromStdString(reason)))
            << m_boxes.shown[0].toStdString();
    }
}

TEST_F(WindowTest, FileBoxStartsOnTestTxtInTheProgramFolder)
{
    const QString folder = folderPath();
    const std::pair<QString, QString> cases[] = {
        {folder, folder + "/test.txt"}, {folder + "/", folder + "/test.txt"}, {"/", "/test.txt"}};
    for (const auto& [programFolder, path] : cases) {
        open(programFolder);
        EXPECT_EQ(fileBox()->text(), path);
    }
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
        {"set by code", [&] { target(0)->setText("new"); }, "1"},
        {"drag text into a target", [&] { drop(target(2), text); }, "1"},
        {"type into the file box", [&] { QTest::keyClicks(fileBox(), "x"); }, "0"},
        {"drop a file onto a target", [&] { drop(target(2), file); }, "0"},
        {"delete run", [&] { click("cmdPurgix"); }, "0"},
    };
    m_folder.write("purgix.ini", "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        c.act();
        EXPECT_EQ(m_window->tag(), c.tag);
    }
}

TEST_F(WindowTest, ClosingAsksOnlyAfterAChangeAndFollowsTheAnswer)
{
    const struct
    {
        const char* name;
        std::optional<Answer> answer; // none: the targets stay unchanged
        bool closes;
    } cases[] = {
        {"unchanged", std::nullopt, true},
        {"Yes", Answer::Yes, true},
        {"No", Answer::No, true},
        {"Cancel", Answer::Cancel, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_folder.file("purgix.ini"));
        m_boxes.shown.clear();
        open();
        if (c.answer) {
            target(0)->setText("x");
            m_boxes.answers = {*c.answer};
        }
        EXPECT_EQ(m_window->close(), c.closes);
        EXPECT_EQ(m_boxes.shown, c.answer ? QStringList{kQuestion} : QStringList{});
        EXPECT_EQ(std::filesystem::exists(m_folder.file("purgix.ini")), c.answer == Answer::Yes);
    }
    // Cancel kept everything as it was, and the next attempt asks again.
    EXPECT_EQ(targetTexts(), QStringList{"x"} + QStringList(9, QString()));
    EXPECT_EQ(m_window->tag(), "1");
    m_boxes.answers = {Answer::Yes};
    EXPECT_TRUE(m_window->close());
    EXPECT_EQ(readFile(m_folder.file("purgix.ini")),
              "x" + QByteArray("\r\n").repeated(10).toStdString());
}

// A box shows bytes that are not UTF-8 one character per byte; they must still be matched
// and saved as the bytes they are, until the box is edited.
TEST_F(WindowTest, TargetsTheUserDidNotEditKeepTheirBytes)
{
    m_folder.write("purgix.ini", "\xE9t\xE9\r\nx\r\n");
    const std::string list = m_folder.write("list.txt", "\xE9t\xE9 kept?\r\nkeep\r\n");
    open();
    fileBox()->setText(QString::fromStdString(list));
    target(1)->setText("y");
    click("cmdPurgix");
    EXPECT_EQ(readFile(list), "keep\r\n");
    m_boxes.answers = {Answer::Yes};
    EXPECT_TRUE(m_window->close());
    EXPECT_EQ(readFile(m_folder.file("purgix.ini")),
              "\xE9t\xE9\r\ny\r\n" + QByteArray("127.0.0.1\r\n").repeated(8).toStdString());
}

TEST_F(WindowTest, AFailedSaveIsReportedAndKeepsTheWindowOpen)
{
    open(folderPath() + "/missing");
    target(0)->setText("x");
    m_boxes.answers = {Answer::Yes, Answer::No};
    EXPECT_FALSE(m_window->close());
    ASSERT_EQ(m_boxes.shown.size(), 2);
    EXPECT_TRUE(m_boxes.shown[1].contains(folderPath() + "/missing/purgix.ini"));
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(m_window->close()); // answering No now gives the targets up
}

TEST_F(WindowTest, EscReleasedInTheWindowClosesItThroughTheQuestion)
{
    open();
    target(5)->setFocus();
    target(5)->setText("changed");
    QWindow* window = m_window->windowHandle();
    m_boxes.answers = {Answer::Cancel};
    QTest::keyPress(window, Qt::Key_Escape);
    EXPECT_TRUE(m_boxes.shown.isEmpty()); // the release closes, not the press
    QTest::keyRelease(window, Qt::Key_Escape);
    EXPECT_EQ(m_boxes.shown, QStringList{kQuestion});
    EXPECT_TRUE(m_window->isVisible());

    // Esc pressed to answer a message box: only its release reaches the window.
    QTest::keyRelease(window, Qt::Key_Escape);
    EXPECT_EQ(m_boxes.shown.size(), 1);
    EXPECT_TRUE(m_window->isVisible());

    m_boxes.answers = {Answer::No};
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(m_window->isVisible());
}

} // namespace
} // namespace purgix::test
