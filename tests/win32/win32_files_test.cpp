#include "engine/delete_run.h"
#include "engine/run_messages.h"
#include "platform/files/detail/file_stream.h"
#include "platform/files/detail/interrupted_rewrite.h"
#include "platform/files/save_file.h"
#include "run/run_fixture.h"
#include "settings/target_settings.h"
#include "support/scoped_environment.h"
#include "support/test_folder.h"
#include "win32/scripted_file_system.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sddl.h>
#include <string>
#include <utility>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;
using engine::runDelete;

const Targets kDropX = {"x"};

bool startsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

engine::DeleteRunOptions through(ScriptedFileSystem& fileSystem)
{
    engine::DeleteRunOptions options;
    options.fileSystem = &fileSystem;
    return options;
}

// Temporary files are hidden: their names start with a dot.
void removeHiddenFiles(const fs::path& folder)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".")) {
            fs::remove(entry.path());
        }
    }
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

        const engine::DeleteRunOutcome outcome = runDelete(path, kDropX, through(fileSystem));

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

// What the file is and what others add survive the replacement as on Linux: a second name
// (the file is rewritten in place), a folder that takes no new file (in place, staged in
// the temporary folder), a name of 250 characters, and lines appended during the run.
TEST_F(Win32RunTest, KeepsWhatTheFileIsAndWhatOthersAdd)
{
    const std::string folderName = m_folder.path().filename().string();
    {
        SCOPED_TRACE("a second name");
        const std::string path = m_folder.write("linked", "a\r\nx\r\n");
        fs::create_hard_link(path, m_folder.file("second"));
        EXPECT_EQ(runDelete(path, kDropX).message, "1 lines deleted.");
        EXPECT_EQ(readFile(m_folder.file("second")), "a\r\n");
    }
    {
        SCOPED_TRACE("a folder that takes no new file");
        const std::string path = m_folder.write("hosts", "a\r\nx\r\n");
        ScriptedFileSystem fileSystem;
        fileSystem.refuseNewFilesIn(folderName);
        EXPECT_EQ(runDelete(path, kDropX, through(fileSystem)).message, "1 lines deleted.");
        EXPECT_EQ(readFile(path), "a\r\n");
        EXPECT_EQ(fileSystem.replaceCalls() + fileSystem.moveCalls(), 0);
    }
    {
        SCOPED_TRACE("a symbolic link, followed");
        const std::string target = m_folder.write("real", "a\r\nx\r\n");
        const bool linked =
            ::CreateSymbolicLinkW(m_folder.file("link").wstring().c_str(), L"real",
                                  SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
        // Wine makes such links, but does not follow all of them.
        if (linked && std::ifstream(m_folder.file("link")).good()) {
            EXPECT_EQ(runDelete(m_folder.file("link").string(), kDropX).message,
                      "1 lines deleted.");
            EXPECT_EQ(readFile(target), "a\r\n");
            EXPECT_TRUE(fs::is_symlink(m_folder.file("link")));
        } else {
            std::cout << "no symbolic link this system follows\n";
        }
    }
    {
        SCOPED_TRACE("a name of 250 characters");
        const std::string path = m_folder.write(std::string(250, 'n'), "a\r\nx\r\n");
        EXPECT_EQ(runDelete(path, kDropX).message, "1 lines deleted.");
        EXPECT_EQ(readFile(path), "a\r\n");
    }
    {
        SCOPED_TRACE("lines appended during the run");
        const std::string path = m_folder.write("log", "a\r\nx\r\n");
        ScriptedFileSystem fileSystem;
        bool appended = false;
        fileSystem.beforeFlush([&] {
            if (!std::exchange(appended, true)) {
                std::ofstream(fs::u8path(path), std::ios::binary | std::ios::app) << "x\r\nb\r\n";
            }
        });
        EXPECT_EQ(runDelete(path, kDropX, through(fileSystem)).message, "2 lines deleted.");
        EXPECT_EQ(readFile(path), "a\r\nb\r\n");
    }
    EXPECT_EQ(m_folder.tempDirListing(), "");
}

// A failure at any call of the file layer leaves the file with its old content or its
// whole new one, says which file failed, and leaves nothing behind but a backup of the old
// content, which a run that succeeded has made; a rewrite in place cut short keeps the whole
// new content where its message says.
TEST_F(Win32RunTest, AFailureAtAnyCallLeavesTheOldOrTheNewFile)
{
    const std::string folderName = m_folder.path().filename().string();
    const std::string before = "a\r\nx\r\n";
    const std::string after = "a\r\n";
    for (const std::string route : {"renamed over", "renamed over, with a backup", "a second name",
                                    "a second name, with a backup", "a folder without new files"}) {
        SCOPED_TRACE(route);
        const auto prepare = [&] {
            const std::string path = m_folder.write("hosts", before);
            if (route.starts_with("a second name") && !fs::exists(m_folder.file("second"))) {
                fs::create_hard_link(path, m_folder.file("second"));
            }
            return path;
        };
        const auto run = [&](ScriptedFileSystem& fileSystem) {
            if (route == "a folder without new files") {
                fileSystem.refuseNewFilesIn(folderName);
            }
            engine::DeleteRunOptions options = through(fileSystem);
            options.backupSuffix = route.ends_with("with a backup") ? ".bak" : "";
            return runDelete(prepare(), kDropX, options);
        };
        ScriptedFileSystem clean;
        ASSERT_TRUE(run(clean).succeeded);
        std::cout << route << ": " << clean.calls() << " fault points\n";
        for (int call = 1; call <= clean.calls(); ++call) {
            SCOPED_TRACE("call " + std::to_string(call));
            ScriptedFileSystem fileSystem;
            fileSystem.failCall(call, ERROR_DISK_FULL);
            const engine::DeleteRunOutcome outcome = run(fileSystem);
            const std::string content = readFile(m_folder.file("hosts"));
            const std::size_t kept = outcome.message.find("its new content is kept in \"");
            if (kept != std::string::npos) {
                const std::size_t start = kept + 28;
                const fs::path copy = fs::u8path(
                    outcome.message.substr(start, outcome.message.find('"', start) - start));
                EXPECT_EQ(readFile(copy), after);
                fs::remove(copy);
            } else if (outcome.succeeded) {
                EXPECT_EQ(content, after);
            } else {
                // A failure once the new content stands in place (its flush, lines carried
                // late) is reported too.
                EXPECT_TRUE(content == before || content == after) << outcome.message;
                const bool namesTheFile = outcome.message.find("hosts") != std::string::npos;
                EXPECT_TRUE(namesTheFile || outcome.message == engine::kTempPathMessage ||
                            outcome.message == engine::kTempNameMessage)
                    << outcome.message;
            }
            const fs::path backup = m_folder.file("hosts.bak");
            EXPECT_TRUE(fs::exists(backup) || !outcome.succeeded || !route.ends_with("backup"))
                << "success without a backup";
            if (fs::exists(backup)) {
                EXPECT_EQ(readFile(backup), before);
                fs::remove(backup);
            }
            if (fileSystem.removalFailed()) {
                removeHiddenFiles(m_folder.path());
                removeHiddenFiles(m_folder.tempDir());
            }
            EXPECT_EQ(entryNames(m_folder.path(), {"hosts", "second", "tmp"}), "");
            EXPECT_EQ(m_folder.tempDirListing(), "");
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
    }
}

// The file index, which hard links share.
std::uint64_t indexOf(const fs::path& path)
{
    const HANDLE file = ::CreateFileW(path.wstring().c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION information = {};
    EXPECT_NE(::GetFileInformationByHandle(file, &information), 0) << path;
    ::CloseHandle(file);
    return (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
           information.nFileIndexLow;
}

// The entries of the file's DACL, without its flags (a copy's is protected from inheritance).
std::wstring daclEntriesOf(const fs::path& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_EQ(::GetNamedSecurityInfoW(path.wstring().c_str(), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                                      &descriptor),
              ERROR_SUCCESS);
    LPWSTR text = nullptr;
    EXPECT_NE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
                  descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr),
              0);
    const std::wstring dacl = text != nullptr ? text : L"";
    ::LocalFree(text);
    ::LocalFree(descriptor);
    return dacl.substr(std::min(dacl.find(L'('), dacl.size()));
}

// Renamed over, the old file itself takes the backup's name, over an earlier backup;
// rewritten in place (it has a second name), a copy with the file's DACL and modification
// time is made first.
TEST_F(Win32RunTest, KeepsABackupOnEitherRoute)
{
    engine::DeleteRunOptions options;
    options.backupSuffix = ".bak";
    const fs::path backup = m_folder.file("hosts.bak");
    const std::string path = m_folder.write("hosts", "a\r\nx\r\n");
    m_folder.write("hosts.bak", "an earlier backup");
    const std::uint64_t renamedOver = indexOf(path);

    EXPECT_EQ(runDelete(path, kDropX, options).message, "1 lines deleted.");
    EXPECT_EQ(readFile(path), "a\r\n");
    EXPECT_EQ(readFile(backup), "a\r\nx\r\n");
    EXPECT_EQ(indexOf(backup), renamedOver);

    m_folder.write("hosts", "b\r\nx\r\n");
    fs::create_hard_link(path, m_folder.file("second"));
    const fs::file_time_type modified = fs::last_write_time(path) - std::chrono::hours(50);
    fs::last_write_time(path, modified);

    EXPECT_EQ(runDelete(path, kDropX, options).message, "1 lines deleted.");
    EXPECT_EQ(readFile(m_folder.file("second")), "b\r\n");
    EXPECT_EQ(readFile(backup), "b\r\nx\r\n");
    EXPECT_NE(indexOf(backup), indexOf(path));
    EXPECT_EQ(fs::last_write_time(backup), modified);
    EXPECT_EQ(daclEntriesOf(backup), daclEntriesOf(path));
    EXPECT_EQ(entryNames(m_folder.path(), {"hosts", "hosts.bak", "second", "tmp"}), "");
    EXPECT_EQ(m_folder.tempDirListing(), "");
}

// A program that keeps the file open for writing, sharing it even for deletion, would
// write on into the replaced file: its lines would be lost without a word.
TEST_F(Win32RunTest, AFileKeptOpenForWritingIsLeftAsItIs)
{
    const std::string path = m_folder.write("hosts", "a\r\nx\r\n");
    const HANDLE writer = ::CreateFileW(fs::u8path(path).wstring().c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const engine::DeleteRunOutcome outcome = runDelete(path, kDropX);
    ::CloseHandle(writer);

    EXPECT_FALSE(outcome.succeeded);
    EXPECT_NE(outcome.message.find("it is kept open for writing by"), std::string::npos)
        << outcome.message;
    EXPECT_EQ(readFile(path), "a\r\nx\r\n");
    EXPECT_EQ(m_folder.tempDirListing(), "");
}

TEST_F(Win32RunTest, SettingsAreSavedNewAndReplacedUnderAWideName)
{
    const std::string path = m_folder.file("\xC3\xA9t\xC3\xA9.ini").string();
    Targets targets = {"a", "\xC3\xA9"};

    ASSERT_TRUE(settings::saveTargets(path, targets).succeeded);
    targets[0] = "b";
    ASSERT_TRUE(settings::saveTargets(path, targets).succeeded);
    Targets loaded;
    const settings::LoadResult result = settings::loadTargets(path, loaded);

    EXPECT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(loaded, targets);
}

// The children of the tests below, never run alone. Each works on PURGIX_SAVE_PATH, says
// that it has come to the point to be terminated at with a ".ready" file beside it, and
// waits there.
void sayReadyAndWait(const std::string& path)
{
    std::ofstream(path + ".ready") << "ready";
    ::Sleep(INFINITE);
}

// Opens a save and writes the new content.
TEST(Win32SaveChild, DISABLED_WritesAndWaitsToBeTerminated)
{
    const char* path = std::getenv("PURGIX_SAVE_PATH");
    ASSERT_NE(path, nullptr);
    platform::SaveFile file(platform::systemFileSystem(), path, platform::SaveFile::Use::Replace,
                            {});
    ASSERT_FALSE(file.open());
    ASSERT_EQ(platform::writeAll(file.content(), "new"), 0);
    sayReadyAndWait(path);
}

// Rewrites a file with a second name in place, and waits once its copy has its name.
TEST(Win32SaveChild, DISABLED_RewritesAndWaitsWithItsCopyNamed)
{
    const char* path = std::getenv("PURGIX_SAVE_PATH");
    ASSERT_NE(path, nullptr);
    const fs::path copy = fs::path(path).parent_path() / platform::rewriteCopyName("hosts");
    ScriptedFileSystem fileSystem;
    fileSystem.beforeFlush([&] {
        if (fs::exists(copy)) {
            sayReadyAndWait(path);
        }
    });
    static_cast<void>(runDelete(path, kDropX, through(fileSystem)));
}

// Runs this program's test `child` on `path` and terminates it, as Task Manager's End Task
// does, once it is ready; false when it never became ready.
bool terminateChildWhenReady(const std::wstring& child, const std::string& path)
{
    ScopedEnvironment environment;
    environment.set("PURGIX_SAVE_PATH", path);
    std::wstring program(MAX_PATH, L'\0');
    program.resize(::GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    std::wstring commandLine =
        L"\"" + program + L"\" --gtest_also_run_disabled_tests --gtest_filter=" + child;
    // The job ends the child whatever becomes of the test.
    const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                         nullptr, nullptr, &startup, &process) == 0) {
        ::CloseHandle(job);
        return false;
    }
    ::AssignProcessToJobObject(job, process.hProcess);
    ::ResumeThread(process.hThread);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(path + ".ready") && std::chrono::steady_clock::now() < deadline &&
           ::WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    }
    const bool ready = fs::exists(path + ".ready");
    ::TerminateProcess(process.hProcess, 1);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(job);
    fs::remove(path + ".ready");
    return ready;
}

// End Task runs no cleanup code: the system itself must remove the new file.
TEST(Win32Save, ATerminatedRunLeavesTheFileAndNothingElse)
{
    TestFolder folder;
    const std::string path = folder.write("hosts", "old");
    ASSERT_TRUE(
        terminateChildWhenReady(L"Win32SaveChild.DISABLED_WritesAndWaitsToBeTerminated", path))
        << "the child never wrote its new content";
    EXPECT_EQ(entryNames(folder.path()), "hosts tmp ");
    EXPECT_EQ(readFile(path), "old");
}

// A rewrite in place ended during its copy-back leaves a torn file and the named copy; the
// next run finishes the rewrite first, says so, and removes the copy.
TEST(Win32Save, ATerminatedRewriteIsFinishedByTheNextRun)
{
    TestFolder folder;
    const std::string path = folder.write("hosts", "a\r\nx\r\nb\r\n");
    fs::create_hard_link(path, folder.file("second"));
    ASSERT_TRUE(
        terminateChildWhenReady(L"Win32SaveChild.DISABLED_RewritesAndWaitsWithItsCopyNamed", path))
        << "the child never named its copy";
    // Torn as the copy-back leaves it: the new content's start over the old content.
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << "a\r\nb";

    const engine::DeleteRunOutcome outcome = runDelete(path, Targets{"nothing"});

    EXPECT_EQ(outcome.notice, "Completed an interrupted rewrite of \"" + path + "\".");
    EXPECT_EQ(outcome.message, "0 lines deleted.");
    EXPECT_EQ(readFile(folder.file("second")), "a\r\nb\r\n");
    EXPECT_EQ(entryNames(folder.path()), "hosts second tmp ");
}

TEST(Win32Settings, MissingFileIsTheOrdinaryFirstStart)
{
    TestFolder folder;
    Targets targets;

    const settings::LoadResult result =
        settings::loadTargets(folder.file("purgix.ini").string(), targets);

    EXPECT_TRUE(result.missing) << result.message;
}

} // namespace
} // namespace purgix::test
