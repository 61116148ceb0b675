#include "settings/settings_location.h"
#include "support/scoped_environment.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace purgix::settings {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnvironment;
using test::TestFolder;

enum class Xdg { Absolute, Relative, Empty, Unset };
enum class Expect { Beside, XdgFile, HomeFile, Nowhere };

// The program folder, the home folder and the XDG configuration folder of one case, all in
// a test folder; HOME and XDG_CONFIG_HOME point into it while the case runs.
class Places
{
public:
    Places(Xdg xdg, bool hasHome)
    {
        fs::create_directories(program());
        const std::optional<std::string> xdgValues[] = {xdgHome().string(), "relative/config", "",
                                                        std::nullopt};
        m_environment.set("XDG_CONFIG_HOME", xdgValues[static_cast<int>(xdg)]);
        m_environment.set("HOME", hasHome ? std::optional(home().string()) : std::nullopt);
    }

    fs::path program() const { return m_folder.file("bin"); }
    fs::path home() const { return m_folder.file("home"); }
    fs::path xdgHome() const { return m_folder.file("xdg"); }
    fs::path xdgFile() const { return xdgHome() / "purgix/purgix.ini"; }
    fs::path homeFile() const { return home() / ".config/purgix/purgix.ini"; }

    void write(const fs::path& file) const
    {
        fs::create_directories(file.parent_path());
        m_folder.write(fs::relative(file, m_folder.path()).string(), "a\r\n");
    }

private:
    TestFolder m_folder;
    ScopedEnvironment m_environment;
};

TEST(SettingsLocation, FollowsTheLayoutTheFileBesideTheProgramAndTheEnvironment)
{
    using enum Layout;
    using enum Xdg;
    using enum Expect;
    const struct
    {
        const char* name;
        Layout layout;
        bool besideFile;
        bool userFiles;
        Xdg xdg;
        bool hasHome;
        Expect expect;
    } cases[] = {
        {"portable keeps them beside itself", Portable, false, true, Absolute, true, Beside},
        {"portable with its own file", Portable, true, true, Absolute, true, Beside},
        {"portable needs no HOME", Portable, false, false, Unset, false, Beside},
        {"installed: a file beside the program wins", Installed, true, true, Absolute, true,
         Beside},
        {"installed, beside file and no HOME", Installed, true, false, Unset, false, Beside},
        {"installed, absolute XDG, first start", Installed, false, false, Absolute, true, XdgFile},
        {"installed, absolute XDG, saved before", Installed, false, true, Absolute, true, XdgFile},
        {"installed, absolute XDG needs no HOME", Installed, false, false, Absolute, false,
         XdgFile},
        {"installed, relative XDG is ignored", Installed, false, true, Relative, true, HomeFile},
        {"installed, empty XDG is ignored", Installed, false, false, Empty, true, HomeFile},
        {"installed, XDG unset, saved before", Installed, false, true, Unset, true, HomeFile},
        {"installed, XDG unset, first start", Installed, false, false, Unset, true, HomeFile},
        {"installed, XDG unset and no HOME", Installed, false, true, Unset, false, Nowhere},
        {"installed, relative XDG and no HOME", Installed, false, false, Relative, false, Nowhere},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Places places(c.xdg, c.hasHome);
        if (c.besideFile) {
            places.write(places.program() / "purgix.ini");
        }
        if (c.userFiles) {
            places.write(places.xdgFile());
            places.write(places.homeFile());
        }

        const SettingsLocation location = locateSettings(c.layout, places.program().string());

        const fs::path expected[] = {places.program() / "purgix.ini", places.xdgFile(),
                                     places.homeFile(), fs::path()};
        EXPECT_EQ(location.file, expected[static_cast<int>(c.expect)].string());
        EXPECT_EQ(location.besideProgram, c.expect == Beside);
        EXPECT_EQ(location.userFolder.empty(), c.expect == Beside || c.expect == Nowhere);
        EXPECT_EQ(location.failure.empty(), c.expect != Nowhere);
    }
}

TEST(SettingsLocation, TheFirstSaveCreatesAPrivateUserFolder)
{
    const Places places(Xdg::Absolute, true);
    Targets targets;
    targets[0] = "x";

    const SaveResult saved =
        saveTargetsAt(locateSettings(Layout::Installed, places.program().string()), targets);

    ASSERT_TRUE(saved.succeeded) << saved.message;
    EXPECT_EQ(test::readFile(places.xdgFile()).substr(0, 3), "x\r\n");
    for (const fs::path& folder : {places.xdgHome(), places.xdgFile().parent_path()}) {
        struct stat status = {};
        ASSERT_EQ(::stat(folder.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0700u) << folder;
    }
    EXPECT_FALSE(fs::exists(places.program() / "purgix.ini"));
}

TEST(SettingsLocation, WithoutAFolderNothingIsSavedAndTheReasonIsGiven)
{
    const Places places(Xdg::Unset, false);

    const SaveResult saved =
        saveTargetsAt(locateSettings(Layout::Installed, places.program().string()), Targets{});

    EXPECT_FALSE(saved.succeeded);
    EXPECT_NE(saved.message.find("HOME"), std::string::npos) << saved.message;
}

} // namespace
} // namespace purgix::settings
