#include "engine/delete_run.h"
#include "support/cli_process.h"
#include "support/faulty_file_system.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRepetitions = 50;
constexpr int kLines = 20000;
constexpr auto kLockHeldFor = std::chrono::milliseconds(100);

struct SharedFile
{
    std::string content;
    std::string afterBothRuns;
    int linesWithEitherTarget = 0;
};

// Every third line holds "alpha", every fifth "beta", some both; ends vary.
SharedFile sharedFile()
{
    SharedFile file;
    for (int i = 0; i < kLines; ++i) {
        std::string line = "line " + std::to_string(i);
        line += i % 3 == 0 ? " alpha" : "";
        line += i % 5 == 0 ? " beta" : "";
        file.content += line + (i % 7 == 0 ? "\r" : "\r\n");
        if (i % 3 == 0 || i % 5 == 0) {
            ++file.linesWithEitherTarget;
        } else {
            file.afterBothRuns += line + "\r\n";
        }
    }
    return file;
}

int deletedCount(const CliResult& result)
{
    int count = -1;
    char rest[32] = {};
    if (std::sscanf(result.out.c_str(), "%d %31[^\n]", &count, rest) != 2 ||
        std::string(rest) != "lines deleted.") {
        ADD_FAILURE() << "unexpected output: " << result.out << result.err;
    }
    return count;
}

// Holds the file's lock for a moment, as a run in progress would, so that both programs
// start waiting on the same file and the second finds it replaced by the first.
class HeldLock
{
public:
    explicit HeldLock(const fs::path& file) : m_fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC))
    {
        EXPECT_EQ(::flock(m_fd, LOCK_EX), 0);
    }
    ~HeldLock() { ::close(m_fd); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    int m_fd;
};

TEST(ConcurrentRuns, TwoProgramsOnOneFileEndAsIfOneRanAfterTheOther)
{
    TestFolder folder;
    const fs::path file = folder.file("shared.txt");
    const fs::path output = folder.file("cli-output");
    const SharedFile shared = sharedFile();
    for (int repetition = 0; repetition < kRepetitions && !HasFailure(); ++repetition) {
        SCOPED_TRACE("repetition " + std::to_string(repetition));
        folder.write("shared.txt", shared.content);
        // The second half rewrites the file in place.
        if (repetition == kRepetitions / 2) {
            fs::create_hard_link(file, folder.file("second"));
        }
        std::optional<HeldLock> heldLock;
        if (repetition % 5 == 0) {
            heldLock.emplace(file);
        }
        CliProcess first({file.string(), "alpha"}, output);
        CliProcess second({file.string(), "beta"}, output);
        if (heldLock) {
            std::this_thread::sleep_for(kLockHeldFor);
            heldLock.reset();
        }
        const CliResult firstResult = first.wait();
        const CliResult secondResult = second.wait();

        ASSERT_EQ(firstResult.exitCode, 0) << firstResult.err;
        ASSERT_EQ(secondResult.exitCode, 0) << secondResult.err;
        EXPECT_EQ(deletedCount(firstResult) + deletedCount(secondResult),
                  shared.linesWithEitherTarget);
        EXPECT_EQ(readFile(file), shared.afterBothRuns);
        EXPECT_EQ(folder.tempDirListing(), "");
        EXPECT_EQ(entryNames(folder.path(), {"shared.txt", "second", "tmp", "cli-output"}), "");
    }
    RecordProperty("repetitions", kRepetitions);
}

constexpr std::string_view kListBefore = "keep\r\ndrop\r\nkeep too\r\n";

// What another program does to the file while a run is reading it, and what the file
// must hold afterwards.
struct OutsideWriter
{
    std::string name;
    std::function<void(const fs::path&)> write;
    std::string expected;
};

std::vector<OutsideWriter> outsideWriters()
{
    return {
        {"rewrites it in place with the same size",
         [](const fs::path& file) {
             std::fstream(file, std::ios::binary | std::ios::in | std::ios::out) << "KEEP";
         },
         "KEEP\r\ndrop\r\nkeep too\r\n"},
        {"replaces it by a rename",
         [](const fs::path& file) {
             const fs::path replacement = file.string() + ".new";
             std::ofstream(replacement, std::ios::binary) << "saved by an editor\r\n";
             fs::rename(replacement, file);
         },
         "saved by an editor\r\n"},
    };
}

void setModifiedTimeBack(const fs::path& file)
{
    // A rewrite within the same clock tick as the original write would keep the time;
    // real files were last written well before a run starts.
    fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(1));
}

TEST(ConcurrentRuns, FileChangedDuringTheRunIsLeftWithTheOtherWritersContent)
{
    for (const OutsideWriter& writer : outsideWriters()) {
        SCOPED_TRACE(writer.name);
        TestFolder folder;
        const std::string path = folder.write("list.txt", kListBefore);
        setModifiedTimeBack(path);
        FaultyFileSystem files;
        bool written = false;
        files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
            if (call.operation == FaultyFileSystem::Operation::Read && !written) {
                written = true;
                writer.write(path);
            }
        });
        engine::DeleteRunOptions options;
        options.fileSystem = &files;

        const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);

        ASSERT_TRUE(written) << "the run never read the file";
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("changed during the run"), std::string::npos)
            << outcome.message;
        EXPECT_EQ(readFile(path), writer.expected) << "the other writer's content was lost";
        EXPECT_EQ(folder.tempDirListing(), "");
        EXPECT_EQ(entryNames(folder.path(), {"list.txt", "tmp"}), "");
    }
}

// A program that holds a lock on the file, as a reader's shared lock, makes a run wait for
// a bounded time, saying so after a while, and go on as soon as the lock goes.
TEST(ConcurrentRuns, ALockHeldByAnotherProgramIsWaitedForABoundedTime)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", kListBefore);
    const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(reader, LOCK_SH), 0);
    int said = 0;
    engine::DeleteRunOptions options;
    options.lockWait.sayAfter = std::chrono::milliseconds(20);
    options.lockWait.waiting = [&] { ++said; };
    options.lockWait.giveUpAfter = std::chrono::seconds(1);

    const engine::DeleteRunOutcome refused = engine::runDelete(path, {"drop"}, options);
    std::thread release([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::close(reader);
    });
    const engine::DeleteRunOutcome waited = engine::runDelete(path, {"drop"}, options);
    release.join();

    EXPECT_EQ(refused.message,
              "Cannot lock \"" + path + "\": another program has kept it locked for 1 s.");
    EXPECT_EQ(waited.message, "1 lines deleted.");
    EXPECT_EQ(said, 2);
    EXPECT_EQ(readFile(path), "keep\r\nkeep too\r\n");
}

// A program that keeps the file open for writing, as a logging daemon does, would lose what
// it writes after a replacement without a word: the run refuses and names it, on either
// route, and goes on once it has closed the file.
TEST(ConcurrentRuns, AFileKeptOpenForWritingIsRefusedNamingTheWriter)
{
    for (const bool secondName : {false, true}) {
        SCOPED_TRACE(secondName ? "rewritten in place" : "renamed over");
        TestFolder folder;
        const std::string path = folder.write("list.txt", kListBefore);
        if (secondName) {
            ASSERT_EQ(::link(path.c_str(), (path + ".link").c_str()), 0);
        }
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t daemon = ::fork();
        ASSERT_GE(daemon, 0);
        if (daemon == 0) {
            const int log = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            static_cast<void>(::write(ready[1], "r", 1));
            ::pause();
            ::_exit(log >= 0 ? 0 : 1);
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);

        const engine::DeleteRunOutcome refused = engine::runDelete(path, {"drop"});
        ::kill(daemon, SIGKILL);
        ::waitpid(daemon, nullptr, 0);
        const engine::DeleteRunOutcome done = engine::runDelete(path, {"drop"});
        ::close(ready[0]);
        ::close(ready[1]);

        EXPECT_NE(refused.message.find("is kept open for writing by"), std::string::npos)
            << refused.message;
        EXPECT_NE(refused.message.find("(process " + std::to_string(daemon) + ")"),
                  std::string::npos)
            << refused.message;
        EXPECT_EQ(done.message, "1 lines deleted.");
        EXPECT_EQ(readFile(path), "keep\r\nkeep too\r\n");
    }
}

// A line written to the old file just before the rename is carried over late; a line a
// shell appends to the new file at that moment must still come after it.
TEST(ConcurrentRuns, AppendedLinesKeepTheirOrderAcrossTheRename)
{
    using Operation = FaultyFileSystem::Operation;
    TestFolder folder;
    const std::string path = folder.write("list.txt", kListBefore);
    FaultyFileSystem files;
    bool renamed = false;
    std::atomic<bool> appended = false;
    std::thread shell;
    files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
        if (call.operation == Operation::Rename && !renamed) {
            renamed = true;
            std::ofstream(path, std::ios::binary | std::ios::app) << "first\r\n";
        } else if (renamed && call.operation == Operation::Lease && !shell.joinable()) {
            shell = std::thread([&path, &appended] {
                std::ofstream(path, std::ios::binary | std::ios::app) << "second\r\n";
                appended = true;
            });
            for (int wait = 0; wait < 20 && !appended; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    });
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);
    ASSERT_TRUE(shell.joinable());
    shell.join();

    EXPECT_EQ(outcome.message, "1 lines deleted.");
    EXPECT_EQ(readFile(path), "keep\r\nkeep too\r\nfirst\r\nsecond\r\n");
}

// An editor saves by renaming its new file over the file in the very moment the run puts
// its result in place: the editor's save stays, and the run says the file changed.
TEST(ConcurrentRuns, AnEditorsSaveInTheMomentOfTheRenameStays)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", kListBefore);
    FaultyFileSystem files;
    bool saved = false;
    files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
        if (call.operation == FaultyFileSystem::Operation::Rename && !saved) {
            saved = true;
            std::ofstream(path + ".new", std::ios::binary) << "saved by an editor\r\n";
            fs::rename(path + ".new", path);
        }
    });
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);

    ASSERT_TRUE(saved);
    EXPECT_NE(outcome.message.find("changed during the run"), std::string::npos) << outcome.message;
    EXPECT_EQ(readFile(path), "saved by an editor\r\n");
    EXPECT_EQ(entryNames(folder.path(), {"list.txt", "tmp"}), "");
}

// A shell appends a line while a run rewrites the file in place (it has a second name),
// just as the run cuts it to its new length: the line is kept, after the new content.
TEST(ConcurrentRuns, ALineAppendedWhileTheFileIsRewrittenInPlaceIsKept)
{
    using Operation = FaultyFileSystem::Operation;
    TestFolder folder;
    const std::string path = folder.write("list.txt", "keep1\nZAP\nkeep2\n");
    ASSERT_EQ(::link(path.c_str(), (path + ".link").c_str()), 0);
    FaultyFileSystem files;
    bool named = false;
    std::thread shell;
    files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
        named = named || call.operation == Operation::LinkOpenFile;
        if (named && call.operation == Operation::Truncate && !shell.joinable()) {
            shell = std::thread([&path] {
                std::ofstream(path, std::ios::binary | std::ios::app) << "appended during run\n";
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"ZAP"}, options);
    ASSERT_TRUE(shell.joinable());
    shell.join();

    EXPECT_EQ(outcome.message, "1 lines deleted.");
    EXPECT_EQ(readFile(path), "keep1\nkeep2\nappended during run\n");
}

// A program that writes the file anew, longer than before, while a run works has not
// appended to it, on either route.
TEST(ConcurrentRuns, ALongerRewriteDuringTheRunIsNotTakenForAnAppend)
{
    const std::string rewritten = "NEW1 line one\nNEW2 ZAP\nNEW3 line three\nNEW4\n";
    for (const bool secondName : {false, true}) {
        SCOPED_TRACE(secondName ? "rewritten in place" : "renamed over");
        TestFolder folder;
        const std::string path = folder.write("list.txt", "keep1\nZAP\nkeep2\n");
        if (secondName) {
            ASSERT_EQ(::link(path.c_str(), (path + ".link").c_str()), 0);
        }
        FaultyFileSystem files;
        bool written = false;
        files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
            if (call.operation == FaultyFileSystem::Operation::Fsync && !written) {
                written = true;
                std::ofstream(path, std::ios::binary | std::ios::trunc) << rewritten;
            }
        });
        engine::DeleteRunOptions options;
        options.fileSystem = &files;

        const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"ZAP"}, options);

        ASSERT_TRUE(written);
        EXPECT_NE(outcome.message.find("changed during the run"), std::string::npos)
            << outcome.message;
        EXPECT_EQ(readFile(path), rewritten);
        EXPECT_EQ(entryNames(folder.path(), {"list.txt", "list.txt.link", "tmp"}), "");
    }
}

// Shells and loggers open the file, append and close it again, at any moment of a run.
TEST(ConcurrentRuns, LinesAppendedDuringTheRunAreFilteredAndKept)
{
    using Operation = FaultyFileSystem::Operation;
    const std::pair<const char*, Operation> moments[] = {
        {"while it is read", Operation::Read},
        {"once it is filtered", Operation::Fsync},
        {"just before the rename", Operation::Rename},
    };
    for (const auto& [moment, operation] : moments) {
        SCOPED_TRACE(moment);
        TestFolder folder;
        const std::string path = folder.write("list.txt", kListBefore);
        FaultyFileSystem files;
        bool written = false;
        files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
            if (call.operation == operation && !written) {
                written = true;
                std::ofstream(path, std::ios::binary | std::ios::app) << "drop it\r\nappended\r\n";
            }
        });
        engine::DeleteRunOptions options;
        options.fileSystem = &files;

        const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);

        ASSERT_TRUE(written);
        EXPECT_EQ(outcome.message, "2 lines deleted.");
        EXPECT_EQ(readFile(path), "keep\r\nkeep too\r\nappended\r\n");
        EXPECT_EQ(folder.tempDirListing(), "");
        EXPECT_EQ(entryNames(folder.path(), {"list.txt", "tmp"}), "");
    }
}

// A writer that keeps the file open writes "drop" and later " me too" with its line end:
// one line, which must be deleted whole (as "keep too" is), on either route of the replacement, and
// never cut in two by a line end of the run's own.
TEST(ConcurrentRuns, ALineWrittenInTwoPiecesStaysOneLine)
{
    using Operation = FaultyFileSystem::Operation;
    for (const bool secondName : {false, true}) {
        SCOPED_TRACE(secondName ? "rewritten in place" : "renamed over");
        TestFolder folder;
        const std::string path = folder.write("list.txt", kListBefore);
        if (secondName) {
            ASSERT_EQ(::link(path.c_str(), (path + ".link").c_str()), 0);
        }
        int writer = -1;
        int leaseCalls = 0;
        FaultyFileSystem files;
        files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
            if (call.operation == Operation::Fsync && writer < 0) {
                writer = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
                ASSERT_EQ(::write(writer, "drop", 4), 4);
            } else if (call.operation == Operation::Lease && ++leaseCalls == 2) {
                ASSERT_EQ(::write(writer, " me too\r\n", 9), 9);
                ::close(writer);
            }
        });
        engine::DeleteRunOptions options;
        options.fileSystem = &files;

        const engine::DeleteRunOutcome outcome =
            engine::runDelete(path, {"drop me", "too"}, options);

        ASSERT_GE(leaseCalls, 2) << outcome.message;
        EXPECT_EQ(outcome.message, "2 lines deleted.");
        EXPECT_EQ(readFile(path), "keep\r\ndrop\r\n");
        EXPECT_EQ(entryNames(folder.path(), {"list.txt", "list.txt.link", "tmp"}), "");
    }
}

// Lines another program appends during the run count towards the limit too; those that
// would pass it are kept.
TEST(ConcurrentRuns, AppendedLinesThatWouldPassTheLineLimitAreKept)
{
    std::string original;
    for (int line = 0; line < 32767; ++line) {
        original += "x\r\n";
    }
    TestFolder folder;
    const std::string path = folder.write("big", original + "keep\r\n");
    FaultyFileSystem files;
    bool appended = false;
    files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
        if (call.operation == FaultyFileSystem::Operation::Fsync && !appended) {
            appended = true;
            std::ofstream(path, std::ios::binary | std::ios::app) << "x\r\n";
        }
    });
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const auto outcome = engine::runDelete(path, {"x"}, options);

    ASSERT_TRUE(appended);
    EXPECT_EQ(outcome.message, "Overflow");
    EXPECT_TRUE(readFile(path) == "keep\r\nx\r\n") << "the file holds something else";
}

} // namespace
} // namespace purgix::test
