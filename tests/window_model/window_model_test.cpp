#include "fake_window_desktop.h"
#include "test_folder.h"
#include "window_model.h"
#include "window_view.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace purgix::test {
namespace {

using platform::Answer;
using window::WindowModel;

// Boxes as plain strings; like a real box, a set text reports a change to the model.
struct FakeView final : window::WindowView
{
    WindowModel* model = nullptr;
    std::string file;
    std::array<std::string, engine::kSlotCount> targets{};
    std::string focus;
    std::function<void()> duringRun;
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
    void showWaitState() override
    {
        if (duringRun) {
            duringRun();
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
        TestFolder folder;
        FakeView view;
        FakeDesktop desktop;
        WindowModel model({folder.file("purgix.ini").string(), {}, true, {}}, view, desktop);
        view.model = &model;
        model.load("start.txt");
        if (row.edit) {
            view.setTargetText(0, "x");
        }
        desktop.answers = row.answers;

        EXPECT_EQ(model.closeRequested(), row.closes) << row.name;
        EXPECT_EQ(desktop.shown.size(), row.messages) << row.name;
        EXPECT_EQ(std::filesystem::exists(folder.file("purgix.ini")), row.saved) << row.name;
    }
}

TEST_F(WindowModelTest, CloseDuringARunWaitsForTheRunAndItsMessage)
{
    m_view.file = m_folder.write("hosts", "x\r\n");
    m_view.setTargetText(0, "x");
    m_desktop.answers = {Answer::No};
    bool closedDuringRun = true;
    m_view.duringRun = [&] {
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
