#include "engine/delete_run.h"
#include "hardening/fault_sweep.h"
#include "hardening/tmpfs_mount.h"
#include "support/faulty_file_system.h"
#include "support/reference_model.h"
#include "support/target_lists.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <iostream>
#include <new>
#include <vector>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;

std::vector<RunScenario> runScenarios()
{
    return {
        {"two slots drop lines", "keep 1\r\ndrop a\r\nkeep 2\rdrop b\nx\r\nkeep 3",
         slotsOf({"drop a", "", "drop b"}), ""},
        {"nothing matches, line ends rewritten", "one\rtwo\r\nthree", slotsOf({"absent"}), ""},
        {"every line goes", "gone\r\ngone too\r\n", slotsOf({"gone"}), ""},
        {"all slots empty", "untouched\n", slotsOf({}), ""},
        {"through a symbolic link", "keep\r\ndrop\r\n", slotsOf({"drop"}), "real-hosts.txt"},
        {"rewritten in place, as it has a second name", "keep\ndrop\nkeep\n", slotsOf({"drop"}), "",
         "second name"},
        {"kept as a backup by a further name", "keep\r\ndrop\r\n", slotsOf({"drop"}), "", "",
         ".bak"},
        {"kept as a backup copy, rewritten in place", "keep\ndrop\nkeep\n", slotsOf({"drop"}), "",
         "second name", "~"},
    };
}

void report(const std::string& what, const SweepFigures& figures)
{
    std::cout << what << ": " << figures.faultPoints << " fault points, " << figures.failedRuns
              << " reported as failures\n";
    ::testing::Test::RecordProperty(what + " fault points", figures.faultPoints);
}

void sweepAllScenarios(const std::filesystem::path& file, const std::string& where)
{
    SweepFigures total;
    for (const RunScenario& scenario : runScenarios()) {
        const SweepFigures figures = sweepDeleteRun(file, scenario);
        total.faultPoints += figures.faultPoints;
        total.failedRuns += figures.failedRuns;
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    EXPECT_GT(total.failedRuns, 0) << "no injected fault reached the run";
    report("delete run, " + where, total);
}

TEST(InjectedFault, DeleteRunLeavesOldOrCompleteFileAtEveryFailingCall)
{
    TestFolder folder;
    sweepAllScenarios(folder.file("hosts.txt"), "temporary folder on the same file system");
}

// On a file system of its own the new content is written beside the file, so the
// creation and clean-up of that file are swept as well.
TEST(InjectedFault, DeleteRunOnAnotherFileSystemThanTheTemporaryFolder)
{
    TestFolder folder;
    TmpfsMount mount(folder.file("mounted"), 1 << 20);
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.failure();
    }
    sweepAllScenarios(mount.path() / "hosts.txt", "file on its own file system");
}

TEST(InjectedFault, SettingsSaveLeavesOldOrCompleteFileAtEveryFailingCall)
{
    TestFolder folder;
    Targets before;
    before.fill("old");
    Targets after;
    after[0] = "new first";
    after[9] = "new last";
    const SweepFigures figures = sweepSettingsSave(folder.file("purgix.ini"), before, after);
    EXPECT_GT(figures.failedRuns, 0) << "no injected fault reached the save";
    report("settings save", figures);
}

// Resolving a link can fail while the file itself stays reachable; the run must then not
// fall back to replacing the link with a plain file.
TEST(InjectedFault, LinkThatCannotBeResolvedIsNotReplacedByAFile)
{
    TestFolder folder;
    const std::string target = folder.write("real.txt", "keep\r\ndrop\r\n");
    const fs::path link = folder.file("link.txt");
    fs::create_symlink("real.txt", link);
    FaultyFileSystem files;
    files.failCall(1, EIO, FaultyFileSystem::Operation::RealPath);
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(link.string(), {"drop"}, options);

    EXPECT_TRUE(fs::is_symlink(link)) << "the link was replaced by a file";
    EXPECT_EQ(readFile(target), outcome.succeeded ? "keep\r\n" : "keep\r\ndrop\r\n")
        << outcome.message;
}

// NFS refuses an exclusive lock through a descriptor open only for reading, with EBADF;
// runs and settings saves there must still work, locked.
TEST(InjectedFault, LockRefusedOnAReadOnlyDescriptorIsTakenThroughAWritableOne)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", "keep\r\ndrop\r\n");
    FaultyFileSystem files;
    files.failCall(1, EBADF, FaultyFileSystem::Operation::Lock);
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);
    files.failCall(files.callCount(FaultyFileSystem::Operation::Lock) + 1, EBADF,
                   FaultyFileSystem::Operation::Lock);
    const settings::SaveResult saved =
        settings::saveTargets(folder.write("purgix.ini", ""), Targets{"a"}, &files);

    EXPECT_EQ(outcome.message, "1 lines deleted.");
    EXPECT_EQ(readFile(path), "keep\r\n");
    EXPECT_TRUE(saved.succeeded) << saved.message;
    EXPECT_GE(files.callCount(FaultyFileSystem::Operation::Lock), 4) << "not locked again";
}

// The system may refuse memory at any moment; the file then stays as it was.
TEST(InjectedFault, RunWithoutMemoryLeavesTheFileAndSaysSo)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", "keep\r\ndrop\r\n");
    FaultyFileSystem files;
    files.setBeforeCall([](const FaultyFileSystem::Call& call) {
        if (call.operation == FaultyFileSystem::Operation::Write) {
            throw std::bad_alloc();
        }
    });
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);

    EXPECT_EQ(outcome.message, "Cannot filter \"" + path + "\": not enough memory.");
    EXPECT_EQ(readFile(path), "keep\r\ndrop\r\n");
    EXPECT_EQ(entryNames(folder.path(), {"list.txt", "tmp"}), "");
}

// POSIX lets read and write move fewer bytes than asked; no byte may get lost then.
TEST(InjectedFault, ShortReadsAndWritesLoseNothing)
{
    TestFolder folder;
    std::string content;
    for (int i = 0; i < 200; ++i) {
        content += "line " + std::to_string(i) + (i % 3 == 0 ? " drop" : "") + "\r\n";
    }
    const std::string path = folder.write("list.txt", content);
    Targets targets;
    targets[0] = "drop";
    targets[5] = std::string(100, 't');
    FaultyFileSystem files;
    files.limitTransfers(3, 3);
    engine::DeleteRunOptions options;
    options.fileSystem = &files;

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);
    const settings::SaveResult saved =
        settings::saveTargets(folder.file("purgix.ini").string(), targets, &files);
    Targets loaded;
    const settings::LoadResult read =
        settings::loadTargets(folder.file("purgix.ini").string(), loaded, &files);

    const DeleteRunModel model = deleteRunModel(content, {"drop"});
    EXPECT_EQ(outcome.message, model.message);
    EXPECT_EQ(readFile(path), model.fileContent);
    EXPECT_TRUE(saved.succeeded) << saved.message;
    EXPECT_TRUE(read.succeeded) << read.message;
    EXPECT_EQ(loaded, targets);
}

} // namespace
} // namespace purgix::test
