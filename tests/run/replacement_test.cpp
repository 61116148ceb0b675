#include "delete_run.h"
#include "forwarding_file_system.h"
#include "run_fixture.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace purgix::test {
namespace {

using engine::runDelete;

int occurrences(std::string_view text, std::string_view word)
{
    int count = 0;
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

class ReplacementTest : public RunTest
{
protected:
    std::string runWith(platform::FileSystem& fileSystem, const std::string& path,
                        const engine::TargetSlots& targets)
    {
        engine::DeleteRunOptions options;
        options.fileSystem = &fileSystem;
        return runDelete(path, targets, options).message;
    }
};

// Reports the temporary folder on another device than everything else.
struct TempFolderElsewhere : ForwardingFileSystem
{
    int stat(const std::string& path, struct stat& status) override
    {
        const int result = ForwardingFileSystem::stat(path, status);
        if (path == tempDir) {
            ++status.st_dev;
        }
        return result;
    }
    int createUnique(std::string& pathTemplate) override
    {
        templates.push_back(pathTemplate);
        return ForwardingFileSystem::createUnique(pathTemplate);
    }
    std::string tempDir;
    std::vector<std::string> templates;
};

TEST_F(ReplacementTest, WritesBesideTheFileWhenTheTempFolderIsOnAnotherDevice)
{
    TempFolderElsewhere fileSystem;
    fileSystem.tempDir = m_folder.tempDir().string();
    const std::string path = m_folder.write("hosts", "a\r\nb\r\n");
    EXPECT_EQ(runWith(fileSystem, path, slots({"a"})), "1 lines deleted.");
    EXPECT_EQ(readFile(path), "b\r\n");
    ASSERT_EQ(fileSystem.templates.size(), 2U);
    EXPECT_EQ(fileSystem.templates[1], m_folder.file(".hosts.XXXXXX").string());
}

TEST_F(ReplacementTest, ReplacesAcrossRealFileSystems)
{
    std::string tempDir = "/dev/shm/purgix-test-XXXXXX";
    struct stat shm = {};
    struct stat here = {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(m_folder.path().c_str(), &here) != 0 ||
        shm.st_dev == here.st_dev || ::mkdtemp(tempDir.data()) == nullptr) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    ::setenv("TMPDIR", tempDir.c_str(), 1);
    const std::string path = m_folder.write("hosts", "a\r\nb\r\n");
    const std::string message = runDelete(path, slots({"a"})).message;
    const bool tempDirEmpty = std::filesystem::is_empty(tempDir);
    std::filesystem::remove_all(tempDir);
    EXPECT_EQ(message, "1 lines deleted.");
    EXPECT_EQ(readFile(path), "b\r\n");
    EXPECT_TRUE(tempDirEmpty);
}

TEST_F(ReplacementTest, RedoesTheOutputBesideTheFileWhenARenameCrossesDevices)
{
    struct CrossDeviceRename : ForwardingFileSystem
    {
        int rename(const std::string& from, const std::string& to) override
        {
            if (from.starts_with(tempDir)) {
                return errno = EXDEV, -1;
            }
            return ForwardingFileSystem::rename(from, to);
        }
        std::string tempDir;
    } fileSystem;
    fileSystem.tempDir = m_folder.tempDir().string();
    const std::string path = m_folder.write("hosts", "a\r\nb\rc\r\n");
    EXPECT_EQ(runWith(fileSystem, path, slots({"", "b"})), "1 lines deleted.");
    EXPECT_EQ(readFile(path), "a\r\nc\r\n");
}

TEST_F(ReplacementTest, FailedStepsLeaveTheFileAsItWas)
{
    struct FailingSteps : ForwardingFileSystem
    {
        int rename(const std::string& from, const std::string& to) override
        {
            return failRename ? (errno = EIO, -1) : ForwardingFileSystem::rename(from, to);
        }
        ssize_t write(int fd, const void* data, std::size_t size) override
        {
            return failWrite ? (errno = ENOSPC, -1) : ForwardingFileSystem::write(fd, data, size);
        }
        bool failRename = false;
        bool failWrite = false;
    };
    const std::string original = "a\rb\r\n";
    const std::string path = m_folder.write("hosts", original);
    FailingSteps renameFails;
    renameFails.failRename = true;
    EXPECT_EQ(runWith(renameFails, path, slots({"a"})),
              "Cannot replace \"" + path + "\": Input/output error.");
    FailingSteps writeFails;
    writeFails.failWrite = true;
    EXPECT_EQ(runWith(writeFails, path, slots({"a"})),
              "Cannot write the new content of \"" + path + "\" in \"" +
                  m_folder.tempDir().string() + "\": No space left on device.");
    EXPECT_EQ(readFile(path), original);
}

TEST_F(ReplacementTest, ContentWrittenByAnotherProgramDuringTheRunIsKept)
{
    struct AppendsOnFirstRead : ForwardingFileSystem
    {
        ssize_t read(int fd, void* buffer, std::size_t size) override
        {
            if (!appended.empty()) {
                std::ofstream(path, std::ios::app | std::ios::binary) << appended;
                appended.clear();
            }
            return ForwardingFileSystem::read(fd, buffer, size);
        }
        std::string path;
        std::string appended = "written meanwhile\r\n";
    } fileSystem;
    fileSystem.path = m_folder.write("hosts", "a\r\nb\r\n");
    EXPECT_EQ(runWith(fileSystem, fileSystem.path, slots({"a"})),
              "\"" + fileSystem.path + "\" changed during the run; it was left as it is.");
    EXPECT_EQ(readFile(fileSystem.path), "a\r\nb\r\nwritten meanwhile\r\n");
}

TEST_F(ReplacementTest, ConcurrentRunsEndAsIfOneRanAfterTheOther)
{
    std::string content;
    std::string keptOnly;
    for (int i = 0; i < 2000; ++i) {
        const std::string kept = "keep " + std::to_string(i) + "\r\n";
        content += kept + "first\r\nsecond\r\n";
        keptOnly += kept;
    }
    for (int repetition = 0; repetition < 50; ++repetition) {
        const std::string path = m_folder.write("hosts", content);
        std::string firstMessage;
        std::thread first([&] { firstMessage = runDelete(path, slots({"first"})).message; });
        const std::string secondMessage = runDelete(path, slots({"second"})).message;
        first.join();
        EXPECT_EQ(firstMessage, "2000 lines deleted.");
        EXPECT_EQ(secondMessage, "2000 lines deleted.");
        const std::string after = readFile(path);
        ASSERT_TRUE(after == keptOnly)
            << "repetition " << repetition << ": \"first\" left: " << occurrences(after, "first")
            << ", \"second\" left: " << occurrences(after, "second");
    }
}

} // namespace
} // namespace purgix::test
