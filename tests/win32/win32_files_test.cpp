#include "delete_run.h"
#include "run_fixture.h"
#include "run_messages.h"
#include "scripted_file_system.h"
#include "target_settings.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;
using engine::runDelete;

const engine::TargetSlots kDropX = {"x"};

bool startsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

class Win32RunTest : public RunTest
{
};

TEST_F(Win32RunTest, ReplacesAFileWhoseNameIsNotInTheAnsiCodePage)
{
    const std::string path =
        m_folder.write("z\xC3\xBCrich-\xE6\x97\xA5\xE6\x9C\xAC.txt", "a\nx\nb\n");

    const engine::DeleteRunOutcome outcome = runDelete(path, kDropX);

    EXPECT_EQ(outcome.message, "1 lines deleted.");
    EXPECT_EQ(readFile(fs::u8path(path)), "a\nb\n");
}

TEST_F(Win32RunTest, RefusesWhatItCannotReplaceBeforeReadingIt)
{
    struct Case
    {
        const char* name;
        std::string path;
        std::string messageStart;
    };
    const std::string readOnly = m_folder.write("read-only.txt", "x\n");
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const std::string missing = m_folder.file("missing.txt").string();
    const std::string folder = m_folder.path().string();
    const Case cases[] = {
        {"read-only attribute", readOnly, "Cannot replace \"" + readOnly + "\": it is read-only."},
        {"missing file", missing, "Cannot open \"" + missing + "\": "},
        {"folder", folder, "Cannot open \"" + folder + "\": it is a directory."},
        {"device", "NUL", "\"NUL\" is not a regular file."},
    };
    for (const Case& row : cases) {
        const engine::DeleteRunOutcome outcome = runDelete(row.path, kDropX);
        EXPECT_FALSE(outcome.succeeded) << row.name;
        EXPECT_TRUE(startsWith(outcome.message, row.messageStart))
            << row.name << ": " << outcome.message;
    }
    EXPECT_EQ(readFile(readOnly), "x\n");
    EXPECT_FALSE(fs::exists(missing));
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(Win32RunTest, MissingFileMessageGivesTheSystemsReason)
{
    const std::string missing = m_folder.file("missing.txt").string();

    const std::string message = runDelete(missing, kDropX).message;

    const std::string start = "Cannot open \"" + missing + "\": ";
    ASSERT_TRUE(startsWith(message, start)) << message;
    const std::string reason = message.substr(start.size());
    EXPECT_GT(reason.size(), 2U) << message;
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << message;
    EXPECT_NE(reason.substr(reason.size() - 2), "..") << message;
}

TEST_F(Win32RunTest, TemporaryFolderThatIsMissingGivesThePathMessage)
{
    const std::string path = m_folder.write("hosts", "x\r\n");
    const std::string temporary = std::getenv("TMP");
    ::_putenv_s("TMP", m_folder.file("no-such-folder").string().c_str());

    const engine::DeleteRunOutcome outcome = runDelete(path, kDropX);
    ::_putenv_s("TMP", temporary.c_str());

    EXPECT_EQ(outcome.message, engine::kTempPathMessage);
    EXPECT_EQ(readFile(path), "x\r\n");
}

TEST_F(Win32RunTest, ReplacementRetriesBrieflyAndFallsBackToARename)
{
    struct Case
    {
        const char* name;
        DWORD error;
        int failures;
        bool replaced;
        int replaceCalls;
        int moveCalls;
    };
    const Case cases[] = {
        {"scanner holds the new file a moment", ERROR_SHARING_VIOLATION, 2, true, 3, 0},
        {"access denied a moment", ERROR_ACCESS_DENIED, 4, true, 5, 0},
        {"sharing violation that lasts", ERROR_SHARING_VIOLATION, 100, false, 5, 0},
        {"file system without ReplaceFileW", ERROR_NOT_SUPPORTED, 1, true, 1, 1},
        {"other failure", ERROR_DISK_FULL, 1, false, 1, 0},
    };
    for (const Case& row : cases) {
        const std::string path = m_folder.write("hosts", "a\r\nx\r\n");
        ScriptedFileSystem fileSystem(row.error, row.failures);

        const engine::DeleteRunOutcome outcome = runDelete(path, kDropX, {{}, &fileSystem, 0});

        EXPECT_EQ(outcome.succeeded, row.replaced) << row.name << ": " << outcome.message;
        EXPECT_EQ(readFile(path), row.replaced ? "a\r\n" : "a\r\nx\r\n") << row.name;
        EXPECT_EQ(fileSystem.replaceCalls(), row.replaceCalls) << row.name;
        EXPECT_EQ(fileSystem.moveCalls(), row.moveCalls) << row.name;
        if (!row.replaced) {
            EXPECT_TRUE(startsWith(outcome.message, "Cannot replace \"" + path + "\": "))
                << outcome.message;
        }
    }
}

TEST_F(Win32RunTest, SettingsAreSavedNewAndReplacedUnderAWideName)
{
    const std::string path = m_folder.file("\xC3\xA9t\xC3\xA9.ini").string();
    settings::Targets targets = {"a", "\xC3\xA9"};

    ASSERT_TRUE(settings::saveTargets(path, targets).succeeded);
    targets[0] = "b";
    ASSERT_TRUE(settings::saveTargets(path, targets).succeeded);
    settings::Targets loaded;
    const settings::LoadResult result = settings::loadTargets(path, loaded);

    EXPECT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(loaded, targets);
}

TEST(Win32Settings, MissingFileIsTheOrdinaryFirstStart)
{
    TestFolder folder;
    settings::Targets targets;

    const settings::LoadResult result =
        settings::loadTargets(folder.file("purgix.ini").string(), targets);

    EXPECT_TRUE(result.missing) << result.message;
}

} // namespace
} // namespace purgix::test
