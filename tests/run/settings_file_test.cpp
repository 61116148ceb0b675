#include "forwarding_file_system.h"
#include "target_settings.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>

namespace purgix::settings {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TestFolder;

// The real file system, with chosen calls made to fail and reads cut into small pieces,
// so that failures root cannot provoke with permissions are tested too.
class ScriptedFileSystem final : public test::ForwardingFileSystem
{
public:
    std::optional<int> openError;
    std::optional<int> createError;
    std::optional<int> fsyncError;
    std::optional<int> renameError;
    std::size_t readPiece = 0; // largest read handed out; 0 for no limit
    int failingRead = 0;       // 1-based number of the read that fails with EIO; 0 for none
    std::size_t bytesRead = 0;

    int open(const std::string& path, int flags, mode_t mode) override
    {
        return fail(openError) ? -1 : ForwardingFileSystem::open(path, flags, mode);
    }
    int createUnique(std::string& pathTemplate) override
    {
        return fail(createError) ? -1 : ForwardingFileSystem::createUnique(pathTemplate);
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override
    {
        if (++m_reads == failingRead) {
            errno = EIO;
            return -1;
        }
        const std::size_t piece = readPiece > 0 ? std::min(size, readPiece) : size;
        const ssize_t count = ForwardingFileSystem::read(fd, buffer, piece);
        bytesRead += count > 0 ? static_cast<std::size_t>(count) : 0;
        return count;
    }
    int fsync(int fd) override { return fail(fsyncError) ? -1 : ForwardingFileSystem::fsync(fd); }
    int rename(const std::string& from, const std::string& to) override
    {
        return fail(renameError) ? -1 : ForwardingFileSystem::rename(from, to);
    }

private:
    static bool fail(const std::optional<int>& error)
    {
        if (error) {
            errno = *error;
        }
        return error.has_value();
    }

    int m_reads = 0;
};

Targets startUpTargets()
{
    Targets targets;
    targets.fill(std::string(kStartUpTarget));
    return targets;
}

// The sorted names in `folder`, each followed by a space.
std::string entryNames(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    std::string listing;
    for (const std::string& name : names) {
        listing += name + ' ';
    }
    return listing;
}

std::string tenLines()
{
    return "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n";
}

struct UnreadableCase
{
    const char* name;
    std::function<std::string(const TestFolder&, ScriptedFileSystem&)> prepare; // gives the path
    const char* reason;
};

class UnreadableSettingsFile : public testing::TestWithParam<UnreadableCase>
{
};

TEST_P(UnreadableSettingsFile, EmptiesEverySlotAndSaysWhy)
{
    TestFolder folder;
    ScriptedFileSystem fileSystem;
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
                                   [](const TestFolder& folder, ScriptedFileSystem&) {
                                       return folder.file("purgix.ini").string();
                                   },
                                   "No such file or directory"},
                    UnreadableCase{"Directory",
                                   [](const TestFolder& folder, ScriptedFileSystem&) {
                                       fs::create_directory(folder.file("purgix.ini"));
                                       return folder.file("purgix.ini").string();
                                   },
                                   "Is a directory"},
                    UnreadableCase{"FifoIsRefusedWithoutWaitingForAWriter",
                                   [](const TestFolder& folder, ScriptedFileSystem&) {
                                       const std::string path = folder.file("purgix.ini").string();
                                       EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
                                       return path;
                                   },
                                   "Not a regular file"},
                    UnreadableCase{"NoReadPermission",
                                   [](const TestFolder& folder, ScriptedFileSystem& fileSystem) {
                                       fileSystem.openError = EACCES;
                                       return folder.write("purgix.ini", tenLines());
                                   },
                                   "Permission denied"},
                    UnreadableCase{"ReadErrorAfterSomeLines",
                                   [](const TestFolder& folder, ScriptedFileSystem& fileSystem) {
                                       fileSystem.readPiece = 4;
                                       fileSystem.failingRead = 3;
                                       return folder.write("purgix.ini", tenLines());
                                   },
                                   "Input/output error"}),
    [](const testing::TestParamInfo<UnreadableCase>& info) { return info.param.name; });

TEST(SettingsFileReading, LinesSplitAcrossReadsComeOutWhole)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", "ab\r\ncd\re\nf\r\n");
    ScriptedFileSystem fileSystem;
    fileSystem.readPiece = 1;
    Targets targets = startUpTargets();

    EXPECT_TRUE(loadTargets(path, targets, &fileSystem).succeeded);

    const std::string k(kStartUpTarget);
    EXPECT_EQ(targets, (Targets{"ab", "cd", "e\nf", k, k, k, k, k, k, k}));
}

TEST(SettingsFileReading, StopsReadingAfterTheTenthLine)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", tenLines() + std::string(10 << 20, 'x'));
    ScriptedFileSystem fileSystem;
    Targets targets = startUpTargets();

    EXPECT_TRUE(loadTargets(path, targets, &fileSystem).succeeded);

    EXPECT_EQ(targets, (Targets{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_LT(fileSystem.bytesRead, std::size_t{1} << 20);
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
    const Targets saved{" lead", "trail ", " ", "", "a\nb", "\xe9t\xe9", "", "", "", "last"};

    ASSERT_TRUE(saveTargets(path, saved).succeeded);
    Targets loaded = startUpTargets();
    ASSERT_TRUE(loadTargets(path, loaded).succeeded);

    EXPECT_EQ(loaded, saved);
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
    std::function<void(ScriptedFileSystem&)> breakIt;
    const char* reason;
};

class FailedSave : public testing::TestWithParam<SaveFailureCase>
{
};

TEST_P(FailedSave, LeavesTheOldFileAndNoTemporaryFile)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", tenLines());
    ScriptedFileSystem fileSystem;
    GetParam().breakIt(fileSystem);
    Targets targets;
    targets.fill("new");

    const SaveResult result = saveTargets(path, targets, &fileSystem);

    EXPECT_FALSE(result.succeeded);
    EXPECT_NE(result.message.find('"' + path + '"'), std::string::npos) << result.message;
    EXPECT_NE(result.message.find(GetParam().reason), std::string::npos) << result.message;
    EXPECT_EQ(readFile(path), tenLines());
    EXPECT_EQ(entryNames(folder.path()), "purgix.ini tmp ");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedSave,
    testing::Values(
        SaveFailureCase{"FolderNotWritable",
                        [](ScriptedFileSystem& fileSystem) { fileSystem.createError = EACCES; },
                        "Permission denied"},
        SaveFailureCase{"FlushFails",
                        [](ScriptedFileSystem& fileSystem) { fileSystem.fsyncError = EIO; },
                        "Input/output error"},
        SaveFailureCase{"RenameRefused",
                        [](ScriptedFileSystem& fileSystem) { fileSystem.renameError = EROFS; },
                        "Read-only file system"}),
    [](const testing::TestParamInfo<SaveFailureCase>& info) { return info.param.name; });

} // namespace
} // namespace purgix::settings
