#include "engine/delete_run.h"
#include "hardening/tmpfs_mount.h"
#include "settings/target_settings.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileSystemSize = 256 * 1024;
constexpr std::size_t kFileSize = 64 * 1024;

std::string listOfLines(std::size_t size)
{
    std::string content;
    for (int i = 0; content.size() < size; ++i) {
        content += "127.0.0.1 host-" + std::to_string(i) + ".example\r\n";
    }
    return content;
}

struct FullDiskCase
{
    std::string name;
    std::size_t freeBytes = 0;
    bool tempFolderOnTheSameFileSystem = false;
};

// Room for nothing, or for part of the new content, so that a write fails midway; the
// new content goes to the temporary folder on the full file system, or beside the file
// when the temporary folder lies on another one.
std::vector<FullDiskCase> fullDiskCases()
{
    return {
        {"full, temporary folder elsewhere", 0, false},
        {"16 KiB free, temporary folder elsewhere", 16 * 1024, false},
        {"full, temporary folder on it", 0, true},
        {"16 KiB free, temporary folder on it", 16 * 1024, true},
    };
}

TEST(FullDisk, RunThatCannotWriteItsResultLeavesTheFileAndNoTemporaryFile)
{
    for (const FullDiskCase& full : fullDiskCases()) {
        SCOPED_TRACE(full.name);
        TestFolder folder;
        TmpfsMount mount(folder.file("small-disk"), kFileSystemSize);
        if (!mount.mounted()) {
            GTEST_SKIP() << mount.failure();
        }
        const fs::path file = mount.path() / "hosts.txt";
        const std::string content = listOfLines(kFileSize);
        folder.write("small-disk/hosts.txt", content);
        if (full.tempFolderOnTheSameFileSystem) {
            fs::create_directory(mount.path() / "tmp");
            ::setenv("TMPDIR", (mount.path() / "tmp").c_str(), 1);
        }
        mount.fillLeaving(full.freeBytes);

        const engine::DeleteRunOutcome outcome = engine::runDelete(file.string(), {"absent"});

        EXPECT_FALSE(outcome.succeeded);
        EXPECT_NE(outcome.message.find(file.string()), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("No space left on device"), std::string::npos)
            << outcome.message;
        EXPECT_TRUE(readFile(file) == content) << "the file changed";
        EXPECT_EQ(entryNames(mount.path(), {"hosts.txt", "filler", "tmp"}), "");
        EXPECT_EQ(entryNames(std::getenv("TMPDIR")), "");

        fs::remove(mount.path() / "filler");
        EXPECT_EQ(engine::runDelete(file.string(), {"absent"}).message, "0 lines deleted.")
            << "the failed run disturbed the next one";
    }
}

TEST(FullDisk, SettingsSaveOnAFullDiskKeepsTheOldFile)
{
    TestFolder folder;
    TmpfsMount mount(folder.file("small-disk"), kFileSystemSize);
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.failure();
    }
    const std::string path = (mount.path() / "purgix.ini").string();
    const std::string old = "old\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    folder.write("small-disk/purgix.ini", old);
    mount.fillLeaving(0);
    Targets targets;
    targets.fill(std::string(1024, 'n'));

    const settings::SaveResult saved = settings::saveTargets(path, targets);

    EXPECT_FALSE(saved.succeeded);
    EXPECT_NE(saved.message.find(path), std::string::npos) << saved.message;
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(entryNames(mount.path(), {"purgix.ini", "filler"}), "");
}

} // namespace
} // namespace purgix::test
