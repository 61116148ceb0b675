// purgix-cli's options, run in process over real files, with standard input and output
// held in memory; each result is compared with the reference model.
#include "cli/cli_app.h"
#include "support/reference_model.h"
#include "support/target_lists.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace purgix::cli {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TestFolder;

// A ByteSink over a string; finish() appends it to what standard output received.
class MemoryOutput final : public ByteOutput
{
public:
    explicit MemoryOutput(std::string& received) : m_received(received) {}
    std::ptrdiff_t write(const char* data, std::size_t size) override
    {
        m_held.append(data, size);
        return static_cast<std::ptrdiff_t>(size);
    }
    bool cutBack(std::int64_t length) override
    {
        m_held.resize(static_cast<std::size_t>(length));
        return true;
    }
    std::int64_t length() const override { return static_cast<std::int64_t>(m_held.size()); }
    std::optional<platform::FileError> finish() override
    {
        m_received += m_held;
        m_held.clear();
        return std::nullopt;
    }

private:
    std::string& m_received;
    std::string m_held;
};

class MemorySource final : public platform::ByteSource
{
public:
    explicit MemorySource(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::ptrdiff_t read(char* buffer, std::size_t size) override
    {
        const std::size_t count = std::min(size, m_bytes.size() - m_offset);
        std::copy_n(m_bytes.data() + m_offset, count, buffer);
        m_offset += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    std::int64_t offset() const override { return static_cast<std::int64_t>(m_offset); }
    bool rewindTo(std::int64_t offset) override
    {
        m_offset = static_cast<std::size_t>(offset);
        return true;
    }

private:
    std::string m_bytes;
    std::size_t m_offset = 0;
};

struct CliResult
{
    int exitCode = -1;
    std::string out;   // reports
    std::string bytes; // bytes written to standard output
    std::string err;
};

class MemoryStreams final : public CliStreams
{
public:
    explicit MemoryStreams(std::string input) : m_input(std::move(input)) {}
    std::ostream& out() override { return m_out; }
    std::ostream& err() override { return m_err; }
    InputOrFailure openInput() override { return std::make_unique<MemorySource>(m_input); }
    OutputOrFailure openOutput(bool) override { return std::make_unique<MemoryOutput>(m_bytes); }
    CliResult result(int exitCode) const { return {exitCode, m_out.str(), m_bytes, m_err.str()}; }

private:
    std::string m_input;
    std::string m_bytes;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

CliResult run(const std::vector<std::string>& arguments, const std::string& input = {})
{
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    MemoryStreams streams(input);
    return streams.result(runCli(pointers, streams));
}

// One content under each line rule, with lines the targets "ads" and "track" take.
std::vector<std::string> contentsUnderEachRule()
{
    return {
        "keep\nads 1\nlone\rcr\ntrack\nlast",         // LF: a CR is part of its line
        "keep\r\nads 1\r\nx\ny\r\ntrack\r\n",         // CR LF
        "keep\rads\nmid\r\ntrack\rend\n\r\nlast ads", // mixed
    };
}

TEST(CliSeveralFiles, EachFileIsItsOwnRunAndAFailureLeavesTheOthersDone)
{
    TestFolder folder;
    const std::vector<std::string> contents = contentsUnderEachRule();
    const std::string first = folder.write("first.log", contents[0]);
    const std::string missing = folder.file("missing.log").string();
    const std::string last = folder.write("last.log", contents[2]);
    const Targets slots = test::slotsOf({"ads", "track"});

    const CliResult result = run({"-e", "ads", "--target=track", first, missing, last});

    EXPECT_EQ(result.exitCode, 1);
    const test::DeleteRunModel firstModel = test::deleteRunModel(contents[0], slots);
    const test::DeleteRunModel lastModel = test::deleteRunModel(contents[2], slots);
    EXPECT_EQ(result.out,
              first + ": " + firstModel.message + "\n" + last + ": " + lastModel.message + "\n");
    EXPECT_EQ(readFile(first), firstModel.fileContent);
    EXPECT_EQ(readFile(last), lastModel.fileContent);
    EXPECT_NE(result.err.find("purgix-cli: Cannot open \"" + missing + "\""), std::string::npos)
        << result.err;
    EXPECT_EQ(folder.tempDirListing(), "");
}

TEST(CliTargetLists, ListLinesAreSlotsAndEmptyLinesEmptySlots)
{
    TestFolder folder;
    const std::string content = "a1\r\nb2\r\nc3\r\n127.0.0.1\r\n";
    const std::string path = folder.write("hosts", content);
    const std::string list = folder.write("list", "a\n\nc\n");

    const CliResult result = run({"-f", list, "-e", "b", path});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    const test::DeleteRunModel model =
        test::deleteRunModel(content, test::slotsOf({"a", "", "c", "b"}));
    EXPECT_EQ(result.out, model.message + "\n");
    EXPECT_EQ(readFile(path), model.fileContent);
    EXPECT_EQ(result.err, "") << "a list has no start-up text to note";
}

TEST(CliDryRun, CountsWithoutTouchingTheFileAndPrintsWhatWouldGo)
{
    TestFolder folder;
    for (const std::string& content : contentsUnderEachRule()) {
        const std::string path = folder.write("log", content);
        const auto timeBefore = fs::last_write_time(path);
        // A second name tells whether the file stays the same file.
        fs::create_hard_link(path, folder.file("log-link"));
        const Targets slots = test::slotsOf({"ads", "track"});

        const CliResult result = run({"-n", "--print-deleted", "-e", "ads", "-e", "track", path});

        EXPECT_EQ(result.exitCode, 0) << result.err;
        const test::FilterModel model = test::filterModel(content, slots);
        const std::uint64_t count = model.droppedPerSlot[0] + model.droppedPerSlot[1];
        EXPECT_EQ(result.err,
                  "purgix-cli: " + std::to_string(count) + " lines would be deleted.\n");
        EXPECT_EQ(result.bytes, model.deleted);
        EXPECT_EQ(readFile(path), content);
        EXPECT_EQ(fs::last_write_time(path), timeBefore);
        EXPECT_TRUE(fs::equivalent(path, folder.file("log-link")));
        EXPECT_EQ(test::entryNames(folder.path(), {"tmp"}), "log log-link ");
        fs::remove(folder.file("log-link"));
        EXPECT_EQ(folder.tempDirListing(), "");
    }
}

TEST(CliBackup, TheOldFileBecomesTheBackupOrACopyOfItWhereItIsRewrittenInPlace)
{
    TestFolder folder;
    const std::string content = "keep\r\nads\r\n";
    const std::string path = folder.write("hosts", content);
    folder.write("hosts.bak", "an older backup\r\n");
#ifndef _WIN32
    struct stat before = {};
    ::stat(path.c_str(), &before);
#endif

    const CliResult renamed = run({"-b", "-e", "ads", path});

    EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
    EXPECT_EQ(readFile(path), "keep\r\n");
    EXPECT_EQ(readFile(path + ".bak"), content);
#ifndef _WIN32
    struct stat backup = {};
    ::stat((path + ".bak").c_str(), &backup);
    EXPECT_EQ(backup.st_ino, before.st_ino) << "the old file itself is the backup";
#endif

    // A file with a second name is rewritten in place: both names see the new content, and
    // the backup is a copy of its own.
    const std::string linked = folder.write("list", content);
    fs::create_hard_link(linked, folder.file("list-link"));
    const CliResult inPlace = run({"--backup=~", "-e", "ads", linked});
    EXPECT_EQ(inPlace.exitCode, 0) << inPlace.err;
    EXPECT_EQ(readFile(folder.file("list-link")), "keep\r\n");
    EXPECT_EQ(readFile(linked + "~"), content);
    EXPECT_EQ(fs::hard_link_count(linked + "~"), 1u);

    const CliResult unchanged = run({"-bx", "-e", "absent", path});
    EXPECT_EQ(unchanged.out, "0 lines deleted.\n");
    EXPECT_FALSE(fs::exists(path + "x")) << "a run that changes nothing keeps no backup";
    EXPECT_EQ(folder.tempDirListing(), "");
}

TEST(CliPrintDeleted, PrintsTheLinesARunDeletedOnlyOnceTheyAreGone)
{
    TestFolder folder;
    std::string content;
    for (int line = 0; line < 33000; ++line) {
        content += line % 3 == 0 ? "b " + std::to_string(line) + "\n" : "a\n";
    }
    const std::string path = folder.write("big.log", content);
    const Targets slots = test::slotsOf({"b", "a"});

    // 11,000 b lines fit the limit, 22,000 a lines more do not: the b lines go alone.
    const CliResult result = run({"--print-deleted", "-e", "b", "-e", "a", path});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "purgix-cli: Overflow\n");
    EXPECT_EQ(readFile(path), test::deleteRunModel(content, slots).fileContent);
    EXPECT_EQ(result.bytes, test::filterModel(content, test::slotsOf({"b"})).deleted);

    const std::string absent = folder.file("absent").string();
    const CliResult failed = run({"--print-deleted", "-e", "x", absent});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.bytes, "");
}

TEST(CliFilter, StandardInputGoesOutFilteredUnderEachLineRule)
{
    const Targets slots = test::slotsOf({"ads", "track"});
    for (const std::string& content : contentsUnderEachRule()) {
        const CliResult result = run({"-e", "ads", "-e", "track", "-"}, content);

        const test::DeleteRunModel model = test::deleteRunModel(content, slots);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.bytes, model.fileContent);
        EXPECT_EQ(result.err, "purgix-cli: " + model.message + "\n");
        EXPECT_EQ(result.out, "");

        const CliResult counted = run({"-n", "-e", "ads", "-e", "track", "-"}, content);
        EXPECT_EQ(counted.bytes, "");
        EXPECT_EQ(counted.out, std::to_string(test::filterModel(content, slots).droppedPerSlot[0] +
                                              test::filterModel(content, slots).droppedPerSlot[1]) +
                                   " lines would be deleted.\n");
    }
}

TEST(CliNoLimit, DeletesAnyNumberOfLinesWhileTheDefaultAgreesWithTheWindow)
{
    TestFolder folder;
    std::string content;
    for (int line = 0; line < 100000; ++line) {
        content += "drop " + std::to_string(line) + "\r\n";
    }
    content += "keep\r\n";
    const std::string path = folder.write("big.log", content);

    const CliResult limited = run({"-e", "drop", path});
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_EQ(limited.err,
              "purgix-cli: " + test::deleteRunModel(content, test::slotsOf({"drop"})).message +
                  "\n");
    EXPECT_EQ(readFile(path), content);

    // As a run leaves its file, an overflowing filter passes its input on as it came.
    const CliResult passed = run({"-e", "drop", "-"}, content);
    EXPECT_EQ(passed.exitCode, 1);
    EXPECT_EQ(passed.bytes, content);
    const CliResult counted = run({"-n", "--print-deleted", "-e", "drop", "-"}, content);
    EXPECT_EQ(counted.err, "purgix-cli: Overflow\n");
    EXPECT_EQ(counted.bytes, "") << "no line would be deleted";

    const CliResult filtered = run({"--no-limit", "-e", "drop", "-"}, content);
    EXPECT_EQ(filtered.bytes, "keep\r\n");
    EXPECT_EQ(filtered.err, "purgix-cli: 100000 lines deleted.\n");

    const CliResult unlimited = run({"--no-limit", "-e", "drop", path});
    EXPECT_EQ(unlimited.exitCode, 0) << unlimited.err;
    EXPECT_EQ(unlimited.out, "100000 lines deleted.\n");
    EXPECT_EQ(readFile(path), "keep\r\n");
}

TEST(CliSavedTargets, AShortSettingsFileSaysWhichSlotsHoldTheStartUpText)
{
    TestFolder folder;
    const std::string settings = folder.write("s", "ZAP\r\n");
    const std::string content = "ZAP x\n127.0.0.1 localhost\nkeep\n";
    const std::string path = folder.write("hosts", content);

    const CliResult result = run({"--settings", settings, path});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "2 lines deleted.\n");
    EXPECT_EQ(result.err, "purgix-cli: targets 2 to 10 are the window's start-up text "
                          "\"127.0.0.1\": \"" +
                              settings + "\" has 1 line\n");
    EXPECT_EQ(readFile(path), "keep\n");
}

TEST(CliUsage, ErrorsTakeOneLineAndAHintAndLeaveFilesAlone)
{
    TestFolder folder;
    const std::string path = folder.write("hosts", "0\r\n");
    const std::string empty = folder.write("empty.ini", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    const std::string longList = folder.write("list", "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n\n10\n");
    const std::string hint = "\nTry 'purgix-cli --help'.\n";
    struct Case
    {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--settings", empty, path},
         "no targets: give them as arguments or save them in the window"},
        {{path, "", ""}, "no targets: give them as arguments or save them in the window"},
        {{"--bogus", path}, "unknown option --bogus"},
        {{"-f", longList, path},
         "at most ten targets can be given: \"" + longList + "\" lists more than ten"},
        {{"-f", folder.write("ten", "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n\n"), "-e", "x", path},
         "at most ten targets can be given, not 11"},
    };
    for (const Case& usage : cases) {
        const CliResult result = run(usage.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "purgix-cli: " + usage.err + hint);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(readFile(path), "0\r\n");
    }
}

} // namespace
} // namespace purgix::cli
