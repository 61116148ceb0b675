#include "engine/delete_run.h"
#include "run/run_fixture.h"
#include "support/faulty_file_system.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;
using engine::runDelete;
using Operation = FaultyFileSystem::Operation;

// Text that a rewrite would change: lone CR and LF endings, no final terminator.
constexpr std::string_view kUnrewritten = "keep\rdrop me\nstill line one\rlast";

class DeleteRunTest : public RunTest
{
};

TEST_F(DeleteRunTest, MissingOrNonFolderTemporaryFolderGivesThePathMessage)
{
    const std::string path = m_folder.write("hosts", kUnrewritten);
    const std::string regularFile = m_folder.write("plain", "");
    for (const std::string& tempDir : {m_folder.file("absent").string(), regularFile}) {
        ::setenv("TMPDIR", tempDir.c_str(), 1);
        const auto outcome = runDelete(path, slotsOf({"drop"}));
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.message, "Error getting temporary file path.") << tempDir;
        EXPECT_EQ(readFile(path), kUnrewritten);
    }
}

TEST_F(DeleteRunTest, TemporaryFileThatCannotBeCreatedGivesTheNameMessage)
{
    FaultyFileSystem fileSystem;
    fileSystem.failCall(1, EACCES, Operation::Open);
    const std::string path = m_folder.write("hosts", kUnrewritten);
    engine::DeleteRunOptions options;
    options.fileSystem = &fileSystem;
    const auto outcome = runDelete(path, slotsOf({"drop"}), options);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.message, "Error getting temporary file name.");
    EXPECT_EQ(readFile(path), kUnrewritten);
}

// The file layer's log shows that the temporary folder is checked first, and that no
// temporary file is ever opened again by its name.
TEST_F(DeleteRunTest, NoTemporaryFileIsOpenedAgainByItsName)
{
    FaultyFileSystem fileSystem;
    const std::string path = m_folder.write("hosts", "a\r\nb\r\n");
    engine::DeleteRunOptions options;
    options.fileSystem = &fileSystem;
    EXPECT_EQ(runDelete(path, slotsOf({"a"}), options).message, "1 lines deleted.");
    const std::vector<std::string> opened = fileSystem.pathsOf(Operation::Open);
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened[0], m_folder.tempDir().string());
    for (const std::string& opened : fileSystem.pathsOf(Operation::Open)) {
        EXPECT_EQ(opened.find(m_folder.path().string() + "/."), std::string::npos)
            << "reopened " << opened;
    }
}

TEST_F(DeleteRunTest, AllSlotsEmptyLeaveThePathUnreadAndUntouched)
{
    const std::string existing = m_folder.write("hosts", kUnrewritten);
    const std::string missing = m_folder.file("missing").string();
    for (const std::string& path : {existing, missing}) {
        FaultyFileSystem fileSystem;
        engine::DeleteRunOptions options;
        options.fileSystem = &fileSystem;
        const auto outcome = runDelete(path, slotsOf({}), options);
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(outcome.message, "0 lines deleted.");
        EXPECT_EQ(fileSystem.callCount(Operation::Read), 0);
    }
    EXPECT_EQ(readFile(existing), kUnrewritten);
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(DeleteRunTest, RewritesEveryLineEndAsCrLfEvenWhenNothingMatches)
{
    const std::string path = m_folder.write("hosts", kUnrewritten);
    const auto outcome = runDelete(path, slotsOf({"absent"}));
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.message, "0 lines deleted.");
    EXPECT_EQ(readFile(path), "keep\r\ndrop me\r\nstill line one\r\nlast\r\n");
}

// Backups, build tools and sync programs must see no change where there is none.
TEST_F(DeleteRunTest, LeavesAFileItWouldNotChangeAlone)
{
    for (const std::string content : {"a\nb\r\nc\n", "a\r\nb\r\n", ""}) {
        const std::string path = m_folder.write("list", content);
        struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        struct stat before
        {
        };
        ASSERT_EQ(::stat(path.c_str(), &before), 0);

        const auto outcome = runDelete(path, slotsOf({"absent"}));

        EXPECT_EQ(outcome.message, "0 lines deleted.");
        struct stat after
        {
        };
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << content;
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec) << content;
        EXPECT_EQ(readFile(path), content);
        EXPECT_EQ(m_folder.tempDirListing(), "");
    }
}

TEST_F(DeleteRunTest, CountsEachLineOnceForTheFirstSlotThatMatchesIt)
{
    struct Case
    {
        Targets slots;
        std::string expected;
        std::string message;
    };
    const Case cases[] = {
        {slotsOf({"a", "ab"}), "b\r\n", "2 lines deleted."},
        {slotsOf({"", "", "b", "", "b"}), "a\r\n", "2 lines deleted."},
        {slotsOf({" "}), "ab\r\na\r\nb\r\n", "0 lines deleted."},
    };
    for (const Case& test : cases) {
        const std::string path = m_folder.write("hosts", "ab\r\na\rb");
        const auto outcome = runDelete(path, test.slots);
        EXPECT_EQ(outcome.message, test.message);
        EXPECT_EQ(readFile(path), test.expected);
    }
}

TEST_F(DeleteRunTest, MissingFileIsNamedAndNotCreated)
{
    const std::string path = m_folder.file("no such file").string();
    const auto outcome = runDelete(path, slotsOf({"a"}));
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.message, "Cannot open \"" + path + "\": No such file or directory.");
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(DeleteRunTest, RefusesAnythingButARegularFileBeforeReadingIt)
{
    const std::string folder = m_folder.file("folder").string();
    const std::string fifo = m_folder.file("fifo").string();
    fs::create_directory(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {folder, "Cannot open \"" + folder + "\": it is a directory."},
        {fifo, "\"" + fifo + "\" is not a regular file."},
        {"/dev/null", "\"/dev/null\" is not a regular file."},
    };
    for (const auto& [path, message] : cases) {
        const auto outcome = runDelete(path, slotsOf({"a"}));
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.message, message);
    }
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

TEST_F(DeleteRunTest, ReadOnlyFileIsRefusedAndKept)
{
    const std::string path = m_folder.write("hosts", kUnrewritten);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto outcome = runDelete(path, slotsOf({"drop"}));
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.message, "Cannot replace \"" + path + "\": it is read-only.");
    EXPECT_EQ(readFile(path), kUnrewritten);
}

TEST_F(DeleteRunTest, ReplacementKeepsPermissionBits)
{
    for (const mode_t mode : {0644, 0640, 0604, 0755, 0664}) {
        const std::string path = m_folder.write("hosts", "a\r\nb\r\n");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        const auto outcome = runDelete(path, slotsOf({"a"}));
        struct stat status = {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode) << outcome.message;
    }
}

TEST_F(DeleteRunTest, ReplacementKeepsOwnerAndGroupWherePermitted)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "changing a file's owner needs root";
    }
    const std::string path = m_folder.write("hosts", "a\r\nb\r\n");
    ASSERT_EQ(::chown(path.c_str(), 4321, 8765), 0);
    EXPECT_TRUE(runDelete(path, slotsOf({"a"})).succeeded);
    struct stat status = {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321U);
    EXPECT_EQ(status.st_gid, 8765U);
}

TEST_F(DeleteRunTest, SymbolicLinkStaysALinkToTheFilteredFile)
{
    const std::string target = m_folder.write("hosts", "a\r\nb\r\n");
    const std::string link = m_folder.file("link").string();
    fs::create_symlink("hosts", link);
    EXPECT_EQ(runDelete(link, slotsOf({"a"})).message, "1 lines deleted.");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target), "b\r\n");
}

// A sparse file (a preallocated log, a disk image) keeps its holes: the new content takes
// no room for the zeros the old one took none for.
TEST_F(DeleteRunTest, ASparseFileKeepsItsHoles)
{
    constexpr off_t kHole = off_t{8} << 20;
    const std::string path = m_folder.write("sparse", "keep\n");
    ASSERT_EQ(::truncate(path.c_str(), 5 + kHole), 0);
    std::ofstream(path, std::ios::binary | std::ios::app) << "\ndrop\n";

    EXPECT_EQ(runDelete(path, slotsOf({"drop"})).message, "1 lines deleted.");

    struct stat status = {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 5 + kHole + 1);
    EXPECT_LT(status.st_blocks * 512, kHole / 8) << "the holes were filled";
    EXPECT_TRUE(readFile(path) == "keep\n" + std::string(kHole, '\0') + "\n");
}

// A stop requested before the run reads ends it at its first block.
TEST_F(DeleteRunTest, AStoppedRunLeavesTheFileAndItsInodeAsTheyWere)
{
    const std::string path = m_folder.write("hosts", kUnrewritten);
    struct stat before = {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    engine::RunControl control;
    control.requestStop();
    engine::DeleteRunOptions options;
    options.control = &control;
    const auto outcome = runDelete(path, slotsOf({"drop"}), options);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.message, "Cancelled; \"" + path + "\" was left as it is.");
    struct stat after = {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(readFile(path), kUnrewritten);
    EXPECT_EQ(entryNames(m_folder.path(), {"tmp"}), "hosts ");
    EXPECT_EQ(m_folder.tempDirListing(), "");
    EXPECT_EQ(control.fileSize(), static_cast<std::int64_t>(kUnrewritten.size()));
}

} // namespace
} // namespace purgix::test
