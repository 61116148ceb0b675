#include "platform/files/program_folder.h"
#include "support/system_environment.h"
#include "support/test_folder.h"
#include "window/model/background_run.h"
#include "window/model/fake_window_desktop.h"
#include "window/model/window_model.h"
#include "window/model/window_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace purgix::test {
namespace {

using window::Answer;
using window::WindowModel;

using Slots = std::array<std::string, kTargetCount>;

// What "ü" and "€" typed into a target box become: on Windows their bytes in the system's
// code page (1252 under Wine); on Linux, in a box that shows bytes one character per byte,
// the byte of "ü" and the UTF-8 bytes of "€", which has no byte of its own; in any other
// box their UTF-8 bytes.
#ifdef _WIN32
constexpr std::string_view kUmlautInByteBox = "\xFC";
constexpr std::string_view kEuroInByteBox = "\x80";
constexpr std::string_view kUmlautElsewhere = "\xFC";
#else
constexpr std::string_view kUmlautInByteBox = "\xFC";
constexpr std::string_view kEuroInByteBox = "\xE2\x82\xAC";
constexpr std::string_view kUmlautElsewhere = "\xC3\xBC";
#endif

// The start-up text in every slot, then `first` over the first slots.
Slots startUp(const std::vector<std::string>& first = {})
{
    Slots slots;
    slots.fill(std::string(kStartUpTarget));
    std::ranges::copy(first, slots.begin());
    return slots;
}

// Boxes as plain strings, starting as the layout table fills them; like a real box, a set
// text reports a change to the model.
struct FakeView final : window::WindowView
{
    WindowModel* model = nullptr;
    std::string file;
    Slots targets = startUp();
    std::string focus;
    std::function<void(window::BackgroundRun&)> duringRun;
    int closeRequests = 0;

    std::string fileText() const override { return file; }
    void setFileText(const std::string& text) override { file = text; }
    std::string targetText(int index) const override { return targets.at(index); }
    void setTargetText(int index, const std::string& bytes) override
    {
        targets.at(index) = bytes;
        model->targetChanged(index);
    }
    void focusFile() override { focus = "txtFile"; }
    void focusTarget(int index) override { focus = "txtTarget" + std::to_string(index); }
    void showWaitState() override {}
    void waitForRun(window::BackgroundRun& run) override
    {
        if (duringRun) {
            duringRun(run);
        }
        while (!run.finished()) {
            std::this_thread::sleep_for(window::BackgroundRun::kPollInterval);
        }
    }
    void takeHeldInput() override {}
    void hideWaitState() override {}
    void requestClose() override
    {
        ++closeRequests;
        model->closeRequested();
    }
};

class WindowModelTest : public testing::Test
{
protected:
    WindowModelTest()
    {
        m_view.model = &m_model;
        m_model.load("start.txt");
    }

    std::string settingsFile() const { return m_folder.file("purgix.ini").string(); }

    TestFolder m_folder;
    FakeView m_view;
    FakeDesktop m_desktop;
    WindowModel m_model{{settingsFile(), {}, true, {}}, m_view, m_desktop};
};

// A model over a settings file that need not exist yet; nothing is loaded.
struct ModelOver
{
    explicit ModelOver(const std::filesystem::path& settingsFile)
        : model({settingsFile.string(), {}, true, {}}, view, desktop)
    {
        view.model = &model;
    }

    FakeView view;
    FakeDesktop desktop;
    WindowModel model;
};

TEST(WindowModelLoad, FillsTheTargetsFromTheSettingsFileAndStartsUnchanged)
{
    const struct
    {
        const char* name;
        std::optional<std::string> content; // "folder": a folder in the file's place
        Slots targets;
        const char* reason; // the failure message names the file and this
    } cases[] = {
        {"no settings file", std::nullopt, Slots{}, nullptr},
        {"empty file", "", startUp({}), nullptr},
        {"three lines", "a\r\n b \r\nc", startUp({"a", " b ", "c"}), nullptr},
        {"bytes that are not UTF-8, one character per byte", "\xE9t\xE9\n",
         startUp({"\xC3\xA9t\xC3\xA9"}), nullptr},
        {"folder", "folder", Slots{}, "Is a directory"},
        {"too long a line", std::string(40000, 'x'), Slots{}, "longer than 32767 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        const std::filesystem::path file = folder.file("purgix.ini");
        if (c.content == "folder") {
            std::filesystem::create_directory(file);
        } else if (c.content) {
            folder.write("purgix.ini", *c.content);
        }
        ModelOver window(file);
        window.model.load("start.txt");
        EXPECT_EQ(window.view.targets, c.targets);
        EXPECT_EQ(window.view.file, "start.txt");
        EXPECT_FALSE(window.model.changed());
        if (c.reason == nullptr) {
            EXPECT_TRUE(window.desktop.shown.empty());
            continue;
        }
        ASSERT_EQ(window.desktop.shown.size(), 1U);
        EXPECT_NE(window.desktop.shown[0].find(file.string()), std::string::npos);
        EXPECT_NE(window.desktop.shown[0].find(c.reason), std::string::npos)
            << window.desktop.shown[0];
    }
}

TEST(WindowModelClose, FollowsTheChangeFlagAndTheAnswer)
{
    struct Case
    {
        const char* name;
        bool edit;
        std::deque<Answer> answers;
        bool closes;
        std::size_t messages;
        bool saved;
    };
    const Case cases[] = {
        {"unchanged", false, {}, true, 0, false},
        {"changed, Yes", true, {Answer::Yes}, true, 1, true},
        {"changed, No", true, {Answer::No}, true, 1, false},
        {"changed, Cancel", true, {Answer::Cancel}, false, 1, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestFolder folder;
        ModelOver window(folder.file("purgix.ini"));
        window.model.load("start.txt");
        if (row.edit) {
            window.view.setTargetText(0, "x");
        }
        window.desktop.answers = row.answers;

        EXPECT_EQ(window.model.closeRequested(), row.closes);
        EXPECT_EQ(window.desktop.shown.size(), row.messages);
        EXPECT_EQ(std::filesystem::exists(folder.file("purgix.ini")), row.saved);
    }
}

TEST(WindowModelClose, AfterCancelOrAFailedSaveTheWindowStaysAndAsksAgain)
{
    TestFolder folder;
    const std::filesystem::path missing = folder.file("missing") / "purgix.ini";
    ModelOver window(missing);
    window.model.load("start.txt");
    window.view.setTargetText(0, "x");
    window.desktop.answers = {Answer::Cancel, Answer::Yes, Answer::No};

    EXPECT_FALSE(window.model.closeRequested());
    EXPECT_TRUE(window.model.changed());
    EXPECT_FALSE(window.model.closeRequested()) << "Yes, but the save failed";
    ASSERT_EQ(window.desktop.shown.size(), 3U);
    EXPECT_NE(window.desktop.shown[2].find(missing.string()), std::string::npos);
    EXPECT_TRUE(window.model.closeRequested()) << "No gives the targets up";
}

TEST_F(WindowModelTest, SavedTargetsAreTheBoxesBytesEachEndedByCrLf)
{
    m_view.setTargetText(0, "x");
    m_view.setTargetText(3, " \xC3\xBC ");
    m_desktop.answers = {Answer::Yes};
    EXPECT_TRUE(m_model.closeRequested());
    EXPECT_EQ(readFile(settingsFile()),
              "x\r\n\r\n\r\n " + std::string(kUmlautElsewhere) + " \r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

TEST(WindowModelStart, TheFileBoxStartsOnTheArgumentOrTestTxtBesideTheTargets)
{
    const std::string sep(1, platform::kFolderSeparator);
    const std::string program = "prog", home = "home";
    const struct
    {
        const char* name;
        bool besideProgram;
        std::string programFolder;
        std::vector<std::string> arguments;
        std::string fileBox;
    } cases[] = {
        {"beside the program", true, program, {}, program + sep + "test.txt"},
        {"in the user's folder", false, program, {}, home + sep + "test.txt"},
        {"folder ending in a separator", true, program + sep, {}, program + sep + "test.txt"},
        {"the root folder", true, sep, {}, sep + "test.txt"},
        {"a file to open", false, program, {"a b.txt"}, "a b.txt"},
        {"further arguments change nothing", true, program, {"list", "-x"}, "list"},
    };
    for (const auto& c : cases) {
        settings::SettingsLocation location;
        location.besideProgram = c.besideProgram;
        EXPECT_EQ(window::startFileText(location, c.programFolder, home, c.arguments), c.fileBox)
            << c.name;
    }
}

TEST_F(WindowModelTest, CloseDuringARunWaitsForTheRunAndItsMessage)
{
    m_view.file = m_folder.write("hosts", "x\r\n");
    m_view.setTargetText(0, "x");
    m_desktop.answers = {Answer::No};
    bool closedDuringRun = true;
    m_view.duringRun = [&](window::BackgroundRun&) {
        closedDuringRun = m_model.closeRequested();
        m_model.purgixClicked(); // a second run must not start inside the first
    };

    m_model.purgixClicked();

    EXPECT_FALSE(closedDuringRun);
    ASSERT_EQ(m_desktop.shown.size(), 2U);
    EXPECT_EQ(m_desktop.shown[0], "1 lines deleted.");
    EXPECT_EQ(m_desktop.shown[1], "Save changed search strings?");
    EXPECT_EQ(m_view.closeRequests, 1);
}

// A run held by another program's lock and cancelled in its dialog: the file and its
// folder stay exactly as they were.
TEST_F(WindowModelTest, ACancelledRunLeavesTheFileAsItWasAndSaysSo)
{
    const std::string content = "x\r\nkeep\r\n";
    m_view.file = m_folder.write("hosts", content);
    m_view.setTargetText(0, "x");
    const auto before = std::filesystem::last_write_time(m_view.file);
    {
        const HeldLock lock(m_view.file);
        m_view.duringRun = [&](window::BackgroundRun& run) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_FALSE(run.finished()) << "the run waits for the lock";
            EXPECT_EQ(run.statusText(), "hosts");
            run.cancel();
        };
        m_model.purgixClicked();
    }
    EXPECT_EQ(m_desktop.shown,
              std::vector<std::string>{"Cancelled; \"" + m_view.file + "\" was left as it is."});
    EXPECT_EQ(readFile(m_view.file), content);
    EXPECT_EQ(std::filesystem::last_write_time(m_view.file), before);
    EXPECT_EQ(entryNames(m_folder.path(), {"tmp"}), "hosts ");
    EXPECT_EQ(m_folder.tempDirListing(), "");
}

// A box that shows bytes one character per byte keeps doing so through editing: what is
// typed there up to U+00FF is that byte, and a character beyond keeps its UTF-8 bytes. On
// Windows every target box is in the system's code page.
TEST(WindowModelBytes, ATargetKeepsItsBytesThroughEditing)
{
    TestFolder folder;
    folder.write("purgix.ini", "\xE9t\xE9\r\n");
    const std::string list = folder.write("list", "x\xE9t\xE9y\r\nkeep\r\n");
    ModelOver window(folder.file("purgix.ini"));
    window.model.load(list);
    const std::string shown = window.view.targets[0];
    window.view.setTargetText(0, shown + "x");
    window.view.setTargetText(0, shown);
    window.model.purgixClicked();
    EXPECT_EQ(window.desktop.shown, std::vector<std::string>{"1 lines deleted."});
    EXPECT_EQ(readFile(list), "keep\r\n");

    window.view.setTargetText(1, "\xC3\xBC"); // typed into a UTF-8 box: stays UTF-8
    window.view.setTargetText(0, shown + "\xC3\xBC\xE2\x82\xAC"); // ü, then the euro sign
    window.desktop.answers = {Answer::Yes};
    EXPECT_TRUE(window.model.closeRequested());
    const std::string expected = "\xE9t\xE9" + std::string(kUmlautInByteBox) +
                                 std::string(kEuroInByteBox) + "\r\n" +
                                 std::string(kUmlautElsewhere) + "\r\n";
    EXPECT_EQ(readFile(folder.file("purgix.ini")).substr(0, expected.size()), expected);
}

// Whichever way a view reports a box set to the text it holds, only a change of text
// counts: pasting the text a box holds, or clearing empty boxes, changes nothing.
TEST(WindowModelChange, SettingABoxToTheTextItHoldsIsNoChange)
{
    TestFolder folder;
    folder.write("purgix.ini", "same\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    ModelOver window(folder.file("purgix.ini"));
    window.model.load("start.txt");
    window.desktop.clipboard = "same\r\nmore";
    window.model.pasteClicked(0);
    window.view.setTargetText(3, "");
    EXPECT_FALSE(window.model.changed());
    window.model.clearClicked();
    EXPECT_TRUE(window.model.changed()) << "the first box held text";
}

TEST(WindowModelStart, HelpAndVersionAreAnsweredInsteadOfOpeningTheWindow)
{
    const auto reply = [](std::vector<std::string> arguments) {
        return window::commandLineReply(arguments).value_or("(window)");
    };
    EXPECT_TRUE(reply({"--help"}).starts_with("Usage: purgix [FILE]\n"));
    EXPECT_EQ(reply({"-h"}), reply({"--help"}));
    EXPECT_TRUE(reply({"--version"}).starts_with("purgix 1."));
    EXPECT_EQ(reply({}), "(window)");
    EXPECT_EQ(reply({"list.txt", "--help"}), "(window)");
    EXPECT_EQ(reply({"--", "--help"}), "(window)");
    settings::SettingsLocation location;
    EXPECT_EQ(window::startFileText(location, "prog", "home", {"--", "--help"}), "--help");
}

TEST_F(WindowModelTest, EditingAidsAndFileChoicesSetOnlyTheirBoxes)
{
    m_desktop.clipboard = "first\r\nsecond";
    m_model.pasteClicked(4);
    EXPECT_EQ(m_view.targets[4], "first");
    EXPECT_EQ(m_view.targets[3], "");

    m_model.browseClicked();
    EXPECT_EQ(m_view.file, "start.txt") << "a cancelled dialog keeps the file box";
    m_desktop.choice = "chosen.txt";
    m_model.browseClicked();
    EXPECT_EQ(m_view.file, "chosen.txt");
    m_model.filesDropped({"one.txt", "two.txt"});
    EXPECT_EQ(m_view.file, "one.txt");

    m_model.label1Clicked();
    EXPECT_EQ(m_view.focus, "txtTarget9");
    m_model.label2Clicked();
    EXPECT_EQ(m_view.focus, "txtFile");

    m_model.clearClicked();
    EXPECT_EQ(m_view.targets[4], "");
}

} // namespace
} // namespace purgix::test
