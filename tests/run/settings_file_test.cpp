#include "settings/target_settings.h"
#include "support/faulty_file_system.h"
#include "support/named_case.h"
#include "support/target_lists.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>

namespace purgix::settings {
namespace {

namespace fs = std::filesystem;
using test::entryNames;
using test::FaultyFileSystem;
using test::PrintTo;
using test::readFile;
using test::startUpTargets;
using test::TestFolder;
using Operation = FaultyFileSystem::Operation;

std::string tenLines()
{
    return "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n";
}

struct UnreadableCase
{
    const char* name;
    std::function<std::string(const TestFolder&, FaultyFileSystem&)> prepare; // gives the path
    const char* reason;
};

class UnreadableSettingsFile : public testing::TestWithParam<UnreadableCase>
{
};

TEST_P(UnreadableSettingsFile, EmptiesEverySlotAndSaysWhy)
{
    TestFolder folder;
    FaultyFileSystem fileSystem;
    const std::string path = GetParam().prepare(folder, fileSystem);
    Targets targets = startUpTargets();

    const LoadResult result = loadTargets(path, targets, &fileSystem);

    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(targets, Targets{});
    EXPECT_NE(result.message.find('"' + path + '"'), std::string::npos) << result.message;
    EXPECT_NE(result.message.find(GetParam().reason), std::string::npos) << result.message;
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableSettingsFile,
    testing::Values(UnreadableCase{"Missing",
                                   [](const TestFolder& folder, FaultyFileSystem&) {
                                       return folder.file("purgix.ini").string();
                                   },
                                   "No such file or directory"},
                    UnreadableCase{"Directory",
                                   [](const TestFolder& folder, FaultyFileSystem&) {
                                       fs::create_directory(folder.file("purgix.ini"));
                                       return folder.file("purgix.ini").string();
                                   },
                                   "Is a directory"},
                    UnreadableCase{"FifoIsRefusedWithoutWaitingForAWriter",
                                   [](const TestFolder& folder, FaultyFileSystem&) {
                                       const std::string path = folder.file("purgix.ini").string();
                                       EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
                                       return path;
                                   },
                                   "Not a regular file"},
                    UnreadableCase{"NoReadPermission",
                                   [](const TestFolder& folder, FaultyFileSystem& fileSystem) {
                                       fileSystem.failCall(1, EACCES, Operation::Open);
                                       return folder.write("purgix.ini", tenLines());
                                   },
                                   "Permission denied"},
                    UnreadableCase{"ReadErrorAfterSomeLines",
                                   [](const TestFolder& folder, FaultyFileSystem& fileSystem) {
                                       fileSystem.limitTransfers(4, 0);
                                       fileSystem.failCall(3, EIO, Operation::Read);
                                       return folder.write("purgix.ini", tenLines());
                                   },
                                   "Input/output error"}),
    test::CaseName{});

TEST(SettingsFileReading, LinesSplitAcrossReadsComeOutWhole)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", "ab\r\ncd\re\nf\r\n");
    FaultyFileSystem fileSystem;
    fileSystem.limitTransfers(1, 0);
    Targets targets = startUpTargets();

    EXPECT_TRUE(loadTargets(path, targets, &fileSystem).succeeded);

    const std::string k(kStartUpTarget);
    EXPECT_EQ(targets, (Targets{"ab", "cd", "e", "f", k, k, k, k, k, k}));
}

TEST(SettingsFileReading, StopsReadingAfterTheTenthLine)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", tenLines() + std::string(10 << 20, 'x'));
    FaultyFileSystem fileSystem;
    Targets targets = startUpTargets();

    EXPECT_TRUE(loadTargets(path, targets, &fileSystem).succeeded);

    EXPECT_EQ(targets, (Targets{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_LT(fileSystem.bytesRead(), std::size_t{1} << 20);
}

TEST(SettingsFilePath, IsTheIniFileInTheProgramFolder)
{
    EXPECT_EQ(settingsFilePath("/opt/purgix"), "/opt/purgix/purgix.ini");
    EXPECT_EQ(settingsFilePath("/"), "//purgix.ini");
}

TEST(SettingsFileSaving, WritesTenCrLfLines)
{
    TestFolder folder;
    const fs::path path = folder.file("purgix.ini");
    Targets targets;
    targets[0] = "x";

    const SaveResult result = saveTargets(path.string(), targets);

    ASSERT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(readFile(path), "x\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(fs::file_size(path), 21u);
}

TEST(SettingsFileSaving, TargetsComeBackByteForByte)
{
    TestFolder folder;
    const std::string path = folder.file("purgix.ini").string();
    const Targets saved{" lead", "trail ", " ", "", "a\tb", "\xe9t\xe9", "", "", "", "last"};

    ASSERT_TRUE(saveTargets(path, saved).succeeded);
    Targets loaded = startUpTargets();
    ASSERT_TRUE(loadTargets(path, loaded).succeeded);

    EXPECT_EQ(loaded, saved);
}

// Written out, a line break would split its target in two and move every later slot.
TEST(SettingsFileSaving, RefusesATargetHoldingALineBreak)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", tenLines());
    for (const char* target : {"a\rb", "a\nb", "a\r"}) {
        Targets targets;
        targets[3] = target;

        const SaveResult result = saveTargets(path, targets);

        EXPECT_FALSE(result.succeeded);
        EXPECT_NE(result.message.find("target string 4 holds a line break"), std::string::npos)
            << result.message;
        EXPECT_EQ(readFile(path), tenLines());
    }
}

TEST(SettingsFileSaving, ReplacesAnExistingFileAndKeepsItsPermissions)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", tenLines() + "old tail\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Targets targets;
    targets[9] = "new";

    ASSERT_TRUE(saveTargets(path, targets).succeeded);

    EXPECT_EQ(readFile(path), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nnew\r\n");
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entryNames(folder.path()), "purgix.ini tmp ");
}

struct SaveFailureCase
{
    const char* name;
    Operation failing; // its first call fails with errorNumber
    int errorNumber;
    const char* reason;
};

class FailedSave : public testing::TestWithParam<SaveFailureCase>
{
};

TEST_P(FailedSave, LeavesTheOldFileAndNoTemporaryFile)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", tenLines());
    FaultyFileSystem fileSystem;
    fileSystem.failCall(1, GetParam().errorNumber, GetParam().failing);
    Targets targets;
    targets.fill("new");

    const SaveResult result = saveTargets(path, targets, &fileSystem);

    EXPECT_FALSE(result.succeeded);
    EXPECT_NE(result.message.find('"' + path + '"'), std::string::npos) << result.message;
    EXPECT_NE(result.message.find(GetParam().reason), std::string::npos) << result.message;
    EXPECT_EQ(readFile(path), tenLines());
    EXPECT_EQ(entryNames(folder.path()), "purgix.ini tmp ");
}

INSTANTIATE_TEST_SUITE_P(Failures, FailedSave,
                         testing::Values(SaveFailureCase{"FileCannotBeOpened", Operation::Open,
                                                         EACCES, "Permission denied"},
                                         SaveFailureCase{"FlushFails", Operation::Fsync, EIO,
                                                         "Input/output error"},
                                         SaveFailureCase{"RenameRefused", Operation::Rename, EROFS,
                                                         "Read-only file system"}),
                         test::CaseName{});

} // namespace
} // namespace purgix::settings
