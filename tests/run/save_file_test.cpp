#include "engine/delete_run.h"
#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/signal_cleanup.h"
#include "platform/files/detail/temporary_names.h"
#include "platform/files/linux/linux_file_system.h"
#include "platform/files/save_file.h"
#include "support/faulty_file_system.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;

struct SaveResult
{
    bool succeeded = false;
    std::string message;
};

SaveResult replaceFileAtomically(platform::FileSystem& fileSystem, const std::string& path,
                                 std::string_view content)
{
    platform::SaveFile file(fileSystem, path, platform::SaveFile::Use::Save,
                            fs::temp_directory_path().string());
    std::optional<platform::FileError> failure = file.open();
    if (!failure) {
        if (const int error = platform::writeAll(file.content(), content)) {
            failure = file.writeError(error);
        }
    }
    if (!failure) {
        failure = file.commit();
    }
    return failure ? SaveResult{false, failure->message()} : SaveResult{true, {}};
}

mode_t modeOf(const std::string& path)
{
    struct stat status = {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

TEST(SaveFile, ReplacesContentKeepingModeAndFollowingALink)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::string link = folder.file("link").string();
    fs::create_symlink(path, link);
    const auto result = replaceFileAtomically(platform::systemFileSystem(), link, "new\r\n");
    EXPECT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(readFile(path), "new\r\n");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(modeOf(path), 0640U);
}

TEST(SaveFile, NewFileGetsTheModeTheUmaskAllows)
{
    TestFolder folder;
    const mode_t previous = ::umask(027);
    const std::string path = folder.file("purgix.ini").string();
    const auto result = replaceFileAtomically(platform::systemFileSystem(), path, "x");
    ::umask(previous);
    EXPECT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(readFile(path), "x");
    EXPECT_EQ(modeOf(path), 0640U);
}

TEST(SaveFile, ReadOnlyFileIsRefusedAndKept)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const auto result = replaceFileAtomically(platform::systemFileSystem(), path, "new");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.message, "Cannot replace \"" + path + "\": it is read-only.");
    EXPECT_EQ(readFile(path), "old");
}

TEST(SaveFile, FailedFlushKeepsTheOldFileAndLeavesNothingBeside)
{
    FaultyFileSystem fileSystem;
    fileSystem.failCall(1, EIO, FaultyFileSystem::Operation::Fsync);
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", "old");
    const auto result = replaceFileAtomically(fileSystem, path, "new");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.message, "Cannot write \"" + path + "\": Input/output error.");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2)
        << "only the file and the tmp folder remain";
}

// SIGKILL between naming the new file and renaming it leaves it under a fixed name; the
// next save removes it, but never a file that has another name.
TEST(SaveFile, RemovesTheFileAKilledSaveLeftButNothingElse)
{
    TestFolder folder;
    const std::string path = folder.write("purgix.ini", "old");
    const std::string leftover = folder.write(".purgix.ini.purgix-new", "killed");
    EXPECT_TRUE(replaceFileAtomically(platform::systemFileSystem(), path, "new").succeeded);
    EXPECT_FALSE(fs::exists(leftover));

    folder.write("kept", "someone's");
    fs::create_hard_link(folder.file("kept"), leftover);
    const auto result = replaceFileAtomically(platform::systemFileSystem(), path, "newer");
    EXPECT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(readFile(path), "newer");
    EXPECT_EQ(readFile(leftover), "someone's");

    fs::remove(leftover);
    fs::create_symlink("kept", leftover);
    EXPECT_TRUE(replaceFileAtomically(platform::systemFileSystem(), path, "newest").succeeded);
    EXPECT_TRUE(fs::is_symlink(leftover)) << "a link of that name was removed";

    // Another file whose name starts with the same 200 bytes has its own leftover name.
    const std::string longName = std::string(220, 'n');
    const std::string other = folder.write(longName + "-other", "other");
    const std::string othersLeftover =
        folder.write(platform::besideFilePrefix(longName + "-other") + "purgix-new", "killed");
    EXPECT_TRUE(
        replaceFileAtomically(platform::systemFileSystem(), folder.write(longName, "old"), "new")
            .succeeded);
    EXPECT_TRUE(fs::exists(othersLeftover)) << "another file's leftover was removed";
}

struct stat statusOf(const fs::path& path)
{
    struct stat status = {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

engine::DeleteRunOutcome runWithBackup(const std::string& path, const Targets& targets,
                                       platform::FileSystem& files = platform::systemFileSystem())
{
    engine::DeleteRunOptions options;
    options.fileSystem = &files;
    options.backupSuffix = ".bak";
    return engine::runDelete(path, targets, options);
}

// Renamed over, the old file itself becomes the backup: same inode, owner, mode and times,
// over an earlier backup, and over a link at the backup's path rather than its target. A run
// that changes nothing makes none; where no further name can be made, the backup is a copy.
TEST(SaveFile, TheBackupOfAFileRenamedOverIsTheOldFileItself)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", "keep\ndrop\n");
    const fs::path backup = path + ".bak";
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const struct timespec times[2] = {{1'000'000, 1}, {2'000'000, 2}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    folder.write("list.txt.bak", "an earlier backup");
    const struct stat before = statusOf(path);

    EXPECT_EQ(runWithBackup(path, {"drop"}).message, "1 lines deleted.");

    const auto identity = [](const struct stat& status) {
        return std::tuple(status.st_ino, status.st_mode, status.st_uid, status.st_gid,
                          status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
    };
    EXPECT_EQ(identity(statusOf(backup)), identity(before));
    EXPECT_EQ(statusOf(backup).st_nlink, 1U);
    EXPECT_EQ(readFile(backup), "keep\ndrop\n");
    EXPECT_EQ(readFile(path), "keep\n");
    EXPECT_NE(statusOf(path).st_ino, before.st_ino);

    EXPECT_EQ(runWithBackup(path, {"absent"}).message, "0 lines deleted.");
    EXPECT_EQ(statusOf(backup).st_ino, before.st_ino) << "a run that changed nothing made one";

    fs::remove(backup);
    folder.write("target", "someone's");
    fs::create_symlink("target", backup);
    EXPECT_EQ(runWithBackup(path, {"keep"}).message, "1 lines deleted.");
    EXPECT_FALSE(fs::is_symlink(backup));
    EXPECT_EQ(readFile(backup), "keep\n");
    EXPECT_EQ(readFile(folder.file("target")), "someone's");

    folder.write("list.txt", "old\n");
    FaultyFileSystem noLinks;
    noLinks.failCall(1, EXDEV, FaultyFileSystem::Operation::LinkOpenFile);
    EXPECT_EQ(runWithBackup(path, {"old"}, noLinks).message, "1 lines deleted.");
    EXPECT_EQ(readFile(backup), "old\n");
    EXPECT_EQ(entryNames(folder.path(), {"list.txt", "list.txt.bak", "target", "tmp"}), "");
    EXPECT_EQ(folder.tempDirListing(), "");
}

// A backup that cannot be made fails the run, names the backup and the reason, and leaves
// the file as it was, on either route, and nothing beside it.
TEST(SaveFile, ABackupThatCannotBeMadeLeavesTheFileAsItWas)
{
    struct Case
    {
        const char* name;
        bool secondName;     // rewritten in place
        bool folderAtBackup; // a folder stands at the backup's path
        bool noNewFiles;     // the file's folder takes no new file
        std::string linkTo;  // the file is reached through a link of its name to this one
        std::string reason;
    };
    const Case cases[] = {
        {"a folder at the backup's path", false, true, false, "", "Is a directory"},
        {"a folder at the backup's path, in place", true, true, false, "", "Is a directory"},
        {"a folder that takes no new file", true, false, true, "", "Permission denied"},
        {"the backup's path is the file's", false, false, false, "list.txt.bak",
         "it is the file itself"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestFolder folder;
        const std::string path = folder.file("list.txt").string();
        folder.write(row.linkTo.empty() ? "list.txt" : row.linkTo, "keep\ndrop\n");
        if (!row.linkTo.empty()) {
            fs::create_symlink(row.linkTo, path);
        }
        if (row.secondName) {
            fs::create_hard_link(path, folder.file("second"));
        }
        if (row.folderAtBackup) {
            fs::create_directory(path + ".bak");
        }
        FaultyFileSystem files;
        if (row.noNewFiles) {
            files.refuseNewFilesIn(folder.path().string());
        }
        const ino_t before = statusOf(path).st_ino;

        const engine::DeleteRunOutcome outcome = runWithBackup(path, {"drop"}, files);

        EXPECT_EQ(outcome.message,
                  "Cannot create the backup \"" + path + ".bak\": " + row.reason + ".");
        EXPECT_EQ(readFile(path), "keep\ndrop\n");
        EXPECT_EQ(statusOf(path).st_ino, before);
        EXPECT_EQ(entryNames(folder.path(), {"list.txt", "list.txt.bak", "second", "tmp"}), "");
        EXPECT_EQ(folder.tempDirListing(), "");
    }
}

// Runs the delete run in a child process through a file layer that `prepare` sets up, which
// may end it; returns how the child ended.
int statusOfRunInChild(const std::string& path,
                       const std::function<void(FaultyFileSystem&)>& prepare)
{
    const pid_t child = ::fork();
    if (child == 0) {
        FaultyFileSystem files;
        prepare(files);
        engine::DeleteRunOptions options;
        options.fileSystem = &files;
        static_cast<void>(engine::runDelete(path, {"drop"}, options));
        ::_exit(0);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return status;
}

bool endedBySigkill(int status)
{
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Where the file system has no unnamed files, the new file of a run that SIGKILL ends has
// the name that the next run on the file removes.
TEST(SaveFile, WithoutUnnamedFilesTheNextRunRemovesWhatAKilledOneLeft)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", "keep\ndrop\n");
    const int status = statusOfRunInChild(path, [](FaultyFileSystem& files) {
        files.refuseUnnamedFiles();
        files.setBeforeCall([](const FaultyFileSystem::Call& call) {
            if (call.operation == FaultyFileSystem::Operation::Write) {
                ::raise(SIGKILL);
            }
        });
    });
    ASSERT_TRUE(endedBySigkill(status)) << "status " << status;
    EXPECT_EQ(entryNames(folder.path(), {"list.txt", "tmp"}), ".list.txt.purgix-new ");

    EXPECT_EQ(engine::runDelete(path, {"drop"}).message, "1 lines deleted.");
    EXPECT_EQ(entryNames(folder.path(), {"list.txt", "tmp"}), "");
}

// SIGKILL, which nothing can hold back, in the middle of a rewrite in place leaves the file
// half rewritten; the next run on it finishes the rewrite first from the copy beside the
// file, or staged in the temporary folder, keeps what others appended meanwhile, and says so.
TEST(SaveFile, TheNextRunFinishesARewriteInPlaceThatSigkillCut)
{
    using Operation = FaultyFileSystem::Operation;
    std::string before;
    std::string after;
    for (int line = 0; line < 300; ++line) {
        const std::string text = line % 3 == 0 ? "drop " : "keep ";
        before += text + std::to_string(line) + "\n";
        after += line % 3 == 0 ? "" : text + std::to_string(line) + "\n";
    }
    for (const bool staged : {false, true}) {
        SCOPED_TRACE(staged ? "staged in the temporary folder" : "beside the file");
        TestFolder folder;
        const std::string path = folder.write("list.txt", before);
        fs::create_hard_link(path, folder.file("second"));
        bool named = false;
        int writes = 0;
        const int status = statusOfRunInChild(path, [&](FaultyFileSystem& files) {
            files.limitTransfers(0, 256);
            if (staged) {
                files.refuseNewFilesIn(folder.path().string());
            }
            files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
                named = named || call.operation == Operation::LinkOpenFile;
                if (named && call.operation == Operation::Write && ++writes == 3) {
                    ::raise(SIGKILL);
                }
            });
        });
        ASSERT_TRUE(endedBySigkill(status)) << "status " << status;
        ASSERT_TRUE(readFile(path) != before && readFile(path) != after)
            << "the rewrite was not cut";
        std::ofstream(path, std::ios::binary | std::ios::app) << "appended after\n";

        const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"});

        EXPECT_EQ(outcome.notice, "Completed an interrupted rewrite of \"" + path + "\".");
        EXPECT_EQ(outcome.message, "0 lines deleted.");
        EXPECT_TRUE(readFile(path) == after + "appended after\n") << "the rewrite was not finished";
        EXPECT_EQ(readFile(folder.file("second")), readFile(path));
        EXPECT_EQ(entryNames(folder.path(), {"list.txt", "second", "tmp"}), "");
        EXPECT_EQ(folder.tempDirListing(), "");
    }
}

// The window's process has other threads; whichever of them takes a signal that ends the
// process by default (SIGTERM, SIGINT, SIGQUIT, SIGUSR1, SIGPIPE, SIGALRM ...), a
// step that must run whole (the copy-back of a rewrite in place, naming the new file and
// renaming it) finishes first, and the process then ends as the signal says, leaving the
// whole new content and nothing beside it.
TEST(SignalBlock, ASignalDuringAStepThatMustRunWholeWaitsForIt)
{
    using Operation = FaultyFileSystem::Operation;
    struct Moment
    {
        const char* name;
        bool secondName; // rewritten in place
        Operation operation;
        int afterNaming; // the how-many-th such call once the new file has a name
    };
    const Moment moments[] = {
        {"first write of the copy-back", true, Operation::Write, 1},
        {"third write of the copy-back", true, Operation::Write, 3},
        {"between naming and renaming", false, Operation::Rename, 1},
    };
    std::string before;
    for (int line = 0; line < 200; ++line) {
        before += line % 10 == 0 ? "drop\n" : "keep " + std::to_string(line) + "\n";
    }
    for (const Moment& moment : moments) {
        for (const int signal : {SIGTERM, SIGINT, SIGQUIT, SIGUSR1, SIGPIPE, SIGALRM}) {
            SCOPED_TRACE(std::string(moment.name) + ", " + ::sigabbrev_np(signal));
            TestFolder folder;
            const std::string path = folder.write("list.txt", before);
            if (moment.secondName) {
                fs::create_hard_link(path, folder.file("second"));
            }
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                std::thread([] { ::pause(); }).detach();
                FaultyFileSystem files;
                files.limitTransfers(0, 256);
                bool named = false;
                int calls = 0;
                files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
                    named = named || call.operation == Operation::LinkOpenFile;
                    if (named && call.operation == moment.operation &&
                        ++calls == moment.afterNaming) {
                        ::kill(::getpid(), signal);
                    }
                });
                engine::DeleteRunOptions options;
                options.fileSystem = &files;
                static_cast<void>(engine::runDelete(path, {"drop"}, options));
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
            const std::string after = readFile(path);
            EXPECT_EQ(after.size(), before.size() - 20 * 5) << "the signal cut the step short";
            EXPECT_EQ(entryNames(folder.path(), {"list.txt", "second", "tmp"}), "");
            EXPECT_EQ(folder.tempDirListing(), "");
        }
    }
}

} // namespace
} // namespace purgix::test
