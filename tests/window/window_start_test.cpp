#include "scoped_environment.h"
#include "window_fixture.h"

#include <filesystem>

namespace purgix::test {
namespace {

using settings::Layout;

class WindowStartTest : public WindowTest
{
protected:
    WindowStartTest()
    {
        std::filesystem::create_directories(m_folder.file("bin"));
        m_environment.set("HOME", m_folder.file("home").string());
        m_environment.set("XDG_CONFIG_HOME", std::nullopt);
    }

    QString program() const { return folderPath() + "/bin"; }
    QString home() const { return folderPath() + "/home"; }

    ScopedEnvironment m_environment;
};

TEST_F(WindowStartTest, FileBoxStartsOnTheArgumentOrTestTxtBesideTheTargets)
{
    const struct
    {
        const char* name;
        Layout layout;
        bool besideFile;
        QStringList arguments;
        QString fileBox;
    } cases[] = {
        {"run from its folder", Layout::Portable, false, {}, program() + "/test.txt"},
        {"installed", Layout::Installed, false, {}, home() + "/test.txt"},
        {"installed, used portably", Layout::Installed, true, {}, program() + "/test.txt"},
        {"a file to open", Layout::Installed, false, {"/data/a b.txt"}, "/data/a b.txt"},
        {"further arguments change nothing", Layout::Portable, false, {"list", "-x"}, "list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_folder.file("bin/purgix.ini"));
        if (c.besideFile) {
            m_folder.write("bin/purgix.ini", "");
        }
        EXPECT_EQ(window::windowStart(c.layout, program(), c.arguments).fileBoxText, c.fileBox);
    }
}

TEST_F(WindowStartTest, AnInstalledWindowSavesIntoTheUserConfigurationFolder)
{
    std::filesystem::create_directories(m_folder.file("home/.config/purgix"));
    const std::string nineEmptyLines = "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    m_folder.write("home/.config/purgix/purgix.ini", "saved\r\n" + nineEmptyLines);
    open(window::windowStart(Layout::Installed, program(), {}));
    EXPECT_EQ(target(0)->text(), "saved");

    target(1)->setText("new");
    m_boxes.answers = {platform::Answer::Yes};
    m_window->close();

    EXPECT_EQ(readFile(m_folder.file("home/.config/purgix/purgix.ini")),
              "saved\r\nnew" + nineEmptyLines);
    EXPECT_FALSE(std::filesystem::exists(m_folder.file("bin/purgix.ini")));
}

} // namespace
} // namespace purgix::test
