#include "hardening/fault_sweep.h"

#include "engine/delete_run.h"
#include "support/faulty_file_system.h"
#include "support/reference_model.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace purgix::test {

namespace fs = std::filesystem;
using Operation = FaultyFileSystem::Operation;

namespace {

constexpr std::array kInjectedErrors{ENOSPC, EIO, EACCES};
constexpr mode_t kFileMode = 0644;
constexpr std::array<std::string_view, 3> kFixedMessages{
    "Error getting temporary file path.", "Error getting temporary file name.", "Overflow"};

std::optional<std::string> contentIfPresent(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    return readFile(path);
}

void putFile(const fs::path& path, const std::string& content)
{
    std::error_code ignored;
    fs::remove(path, ignored);
    std::ofstream(path, std::ios::binary) << content;
    fs::permissions(path, fs::perms(kFileMode));
}

void putScenario(const fs::path& path, const RunScenario& scenario)
{
    // What an earlier scenario put beside the file goes first.
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        if (entry.path().filename() != "tmp") {
            fs::remove(entry.path());
        }
    }
    if (!scenario.secondName.empty()) {
        putFile(path, scenario.content);
        const fs::path second = path.parent_path() / scenario.secondName;
        std::error_code ignored;
        fs::remove(second, ignored);
        fs::create_hard_link(path, second);
        return;
    }
    if (scenario.linkTarget.empty()) {
        putFile(path, scenario.content);
        return;
    }
    putFile(path.parent_path() / scenario.linkTarget, scenario.content);
    std::error_code ignored;
    fs::remove(path, ignored);
    fs::create_symlink(scenario.linkTarget, path);
}

// A failed transfer or rename cannot have produced the complete, durable result.
bool mustEndInFailure(const FaultyFileSystem& files)
{
    const std::optional<Operation> failed = files.failedOperation();
    if (!failed) {
        return false;
    }
    switch (*failed) {
    case Operation::Read:
    case Operation::Write:
    case Operation::Truncate:
    case Operation::Rename:
        return true;
    case Operation::Fsync:
        return !files.renamedBeforeFault();
    default:
        return false;
    }
}

bool isFixedMessage(const std::string& message)
{
    return std::find(kFixedMessages.begin(), kFixedMessages.end(), message) != kFixedMessages.end();
}

void expectNamedFailure(const std::string& message, const fs::path& file, int errorNumber)
{
    if (isFixedMessage(message)) {
        return;
    }
    EXPECT_NE(message.find(file.string()), std::string::npos)
        << "the message does not name the file: " << message;
    EXPECT_NE(message.find(std::strerror(errorNumber)), std::string::npos)
        << "the message does not give the reason: " << message;
}

// The copy of the new content that a failed rewrite in place names, if any.
std::optional<fs::path> keptCopy(const std::string& message)
{
    const std::string marker = "its new content is kept in \"";
    const std::size_t start = message.find(marker);
    if (start == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t begin = start + marker.size();
    return fs::path(message.substr(begin, message.find('"', begin) - begin));
}

// A rewrite in place that failed once it had begun must have kept the complete new
// content where its message says. The file is put back as it was for the checks after.
void expectKeptCopyOfHalfRewrite(const fs::path& file, const std::string& before,
                                 const std::string& complete, const std::string& message)
{
    const std::optional<fs::path> copy = keptCopy(message);
    if (!copy) {
        return;
    }
    EXPECT_EQ(contentIfPresent(*copy), complete) << "the kept copy is not the new content";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << before;
    fs::remove(*copy);
}

std::vector<fs::path> leftovers(const fs::path& file, const std::string& linkTarget)
{
    std::vector<fs::path> paths;
    const fs::path tempFolder = std::getenv("TMPDIR");
    for (const auto& entry : fs::directory_iterator(tempFolder)) {
        paths.push_back(entry.path());
    }
    for (const auto& entry : fs::directory_iterator(file.parent_path())) {
        const fs::path& path = entry.path();
        if (path != file && path != tempFolder && path.filename() != linkTarget) {
            paths.push_back(path);
        }
    }
    return paths;
}

// A temporary file whose own removal failed cannot be helped: that one may remain.
void expectNothingLeftBehind(const fs::path& file, const std::string& linkTarget,
                             const FaultyFileSystem& files, int descriptorsBefore)
{
    const bool removalFailed = files.failedOperation() == Operation::Unlink;
    const std::vector<fs::path> left = leftovers(file, linkTarget);
    EXPECT_LE(left.size(), removalFailed ? 1u : 0u)
        << "temporary files left: " << entryNames(std::getenv("TMPDIR")) << "/ "
        << entryNames(file.parent_path(), {file.filename().string(), "tmp"});
    for (const fs::path& path : left) {
        fs::remove(path);
    }
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore) << "a descriptor was left open";
}

// Stops at a missing file, since nothing else can be checked then.
void expectAllowedFileState(const fs::path& file, const std::string& before,
                            const std::string& complete, bool succeeded,
                            const FaultyFileSystem& files)
{
    const std::optional<std::string> content = contentIfPresent(file);
    ASSERT_TRUE(content.has_value()) << "the file is gone";
    EXPECT_TRUE(*content == before || *content == complete)
        << "the file is half-written: \"" << *content << '"';
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(kFileMode));
    if (succeeded) {
        EXPECT_EQ(*content, complete) << "success reported with the old content in place";
        EXPECT_FALSE(mustEndInFailure(files)) << "a failed step was reported as success";
    } else if (*content != before) {
        EXPECT_TRUE(files.renamedBeforeFault())
            << "a failed run changed the file before it could replace it";
    }
}

// A backup may stand once a failed run had made it, but only a run that made a whole one
// may succeed. It goes, so that anything else left beside the file shows.
void expectBackup(const fs::path& backup, const std::string& before, bool succeeded)
{
    const std::optional<std::string> content = contentIfPresent(backup);
    EXPECT_TRUE(content || !succeeded) << "success reported without a backup";
    if (content) {
        EXPECT_EQ(*content, before) << "the backup is not the old content";
        fs::remove(backup);
    }
}

// Runs through the given file layer, checks the outcome, and tells whether the run
// reported a failure.
using CheckedRun = std::function<bool(FaultyFileSystem& files, int errorNumber)>;

SweepFigures sweepCalls(const fs::path& file, const std::string& linkTarget,
                        const std::function<void()>& prepare, const CheckedRun& run)
{
    prepare();
    FaultyFileSystem clean;
    if (run(clean, 0)) {
        ADD_FAILURE() << "the run fails even without an injected fault";
        return {};
    }
    SweepFigures figures;
    for (const int errorNumber : kInjectedErrors) {
        for (std::size_t n = 1; n <= clean.callLog().size(); ++n) {
            SCOPED_TRACE("call " + std::to_string(n) + " (" +
                         std::string(operationName(clean.callLog()[n - 1].operation)) +
                         ") fails with " + std::strerror(errorNumber));
            prepare();
            const int descriptorsBefore = openDescriptorCount();
            FaultyFileSystem files;
            files.failCall(static_cast<int>(n), errorNumber);
            figures.failedRuns += run(files, errorNumber) ? 1 : 0;
            ++figures.faultPoints;
            expectNothingLeftBehind(file, linkTarget, files, descriptorsBefore);
            if (::testing::Test::HasFailure()) {
                return figures; // the first broken fault point tells the story
            }
        }
    }
    return figures;
}

} // namespace

SweepFigures sweepDeleteRun(const fs::path& file, const RunScenario& scenario)
{
    const DeleteRunModel model = deleteRunModel(scenario.content, scenario.slots);
    SCOPED_TRACE(scenario.name);
    const std::string keptName =
        scenario.secondName.empty() ? scenario.linkTarget : scenario.secondName;
    return sweepCalls(
        file, keptName, [&] { putScenario(file, scenario); },
        [&](FaultyFileSystem& files, int errorNumber) {
            engine::DeleteRunOptions options;
            options.fileSystem = &files;
            options.backupSuffix = scenario.backupSuffix;
            const engine::DeleteRunOutcome outcome =
                engine::runDelete(file.string(), scenario.slots, options);
            if (!scenario.backupSuffix.empty()) {
                expectBackup(file.string() + scenario.backupSuffix, scenario.content,
                             outcome.succeeded);
            }
            if (!scenario.linkTarget.empty()) {
                EXPECT_TRUE(fs::is_symlink(file)) << "the link was replaced by a file";
            }
            if (!scenario.secondName.empty()) {
                EXPECT_EQ(fs::hard_link_count(file), 2U) << "the second name was split off";
                expectKeptCopyOfHalfRewrite(file, scenario.content, model.fileContent,
                                            outcome.message);
            }
            expectAllowedFileState(file, scenario.content, model.fileContent, outcome.succeeded,
                                   files);
            if (outcome.succeeded) {
                EXPECT_EQ(outcome.message, model.message);
            } else {
                expectNamedFailure(outcome.message, file, errorNumber);
            }
            return !outcome.succeeded;
        });
}

SweepFigures sweepSettingsSave(const fs::path& file, const Targets& before, const Targets& after)
{
    return sweepCalls(
        file, {}, [&] { putFile(file, settingsFileModel(before)); },
        [&](FaultyFileSystem& files, int errorNumber) {
            const settings::SaveResult result = settings::saveTargets(file.string(), after, &files);
            expectAllowedFileState(file, settingsFileModel(before), settingsFileModel(after),
                                   result.succeeded, files);
            if (!result.succeeded) {
                expectNamedFailure(result.message, file, errorNumber);
            }
            return !result.succeeded;
        });
}

int openDescriptorCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

} // namespace purgix::test
