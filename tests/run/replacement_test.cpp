#include "engine/delete_run.h"
#include "run/run_fixture.h"
#include "support/faulty_file_system.h"
#include "support/test_folder.h"

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
using Operation = FaultyFileSystem::Operation;

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
                        const Targets& targets)
    {
        engine::DeleteRunOptions options;
        options.fileSystem = &fileSystem;
        return runDelete(path, targets, options).message;
    }
};

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
    const std::string message = runDelete(path, slotsOf({"a"})).message;
    const bool tempDirEmpty = std::filesystem::is_empty(tempDir);
    std::filesystem::remove_all(tempDir);
    EXPECT_EQ(message, "1 lines deleted.");
    EXPECT_EQ(readFile(path), "b\r\n");
    EXPECT_TRUE(tempDirEmpty);
}

TEST_F(ReplacementTest, FailedStepsLeaveTheFileAsItWas)
{
    const std::string original = "a\rb\r\n";
    const std::string path = m_folder.write("hosts", original);
    FaultyFileSystem renameFails;
    renameFails.failCall(1, EIO, Operation::Rename);
    EXPECT_EQ(runWith(renameFails, path, slotsOf({"a"})),
              "Cannot replace \"" + path + "\": Input/output error.");
    FaultyFileSystem writeFails;
    writeFails.failCall(1, ENOSPC, Operation::Write);
    EXPECT_EQ(runWith(writeFails, path, slotsOf({"a"})),
              "Cannot write the new content of \"" + path + "\" in \"" + m_folder.path().string() +
                  "\": No space left on device.");
    EXPECT_EQ(readFile(path), original);
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
        std::thread first([&] { firstMessage = runDelete(path, slotsOf({"first"})).message; });
        const std::string secondMessage = runDelete(path, slotsOf({"second"})).message;
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
