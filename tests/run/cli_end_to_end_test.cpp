#include "support/cli_process.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace purgix::cli {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::readFile;
using test::TestFolder;

// Runs the program with `arguments`, its output captured in files apart from the
// folder's other files.
CliResult runProgram(const TestFolder& folder, const std::vector<std::string>& arguments,
                     const test::CliLaunch& launch = {})
{
    return test::runCli(arguments, folder.file("cli-output"), launch);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(CliRun, DeletesMatchingLinesAndPrintsTheCount)
{
    TestFolder folder;
    const std::string path =
        folder.write("hosts", "keep\r\n127.0.0.1 ads\r\nlone\nlf\rx-y\r\n-y\r\nlast");

    const CliResult result = runProgram(folder, {path, "127.0.0.1", "-y"});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "3 lines deleted.\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(path), "keep\r\nlone\r\nlf\r\nlast\r\n");
    EXPECT_EQ(folder.tempDirListing(), "");
}

TEST(CliRun, EmptyArgumentsAreEmptySlots)
{
    TestFolder folder;
    const std::string path = folder.write("log", "a\nb\rab\r\n");

    const CliResult allEmpty = runProgram(folder, {path, "", ""});
    EXPECT_EQ(allEmpty.exitCode, 2) << "no target at all is a usage error";
    EXPECT_EQ(readFile(path), "a\nb\rab\r\n");

    const CliResult secondSlot = runProgram(folder, {path, "", "b"});
    EXPECT_EQ(secondSlot.out, "2 lines deleted.\n");
    EXPECT_EQ(readFile(path), "a\r\n");
}

TEST(CliRun, UsesTheSavedTargetsOverTheStartUpText)
{
    TestFolder folder;
    // Two lines: slot 0 is "gone", slot 1 is empty, slots 2-9 keep the start-up text.
    const std::string settings = folder.write("targets.ini", "gone\r\n\r\n");
    const std::string path = folder.write("hosts", "gone\r\n127.0.0.1 x\r\nkept\r\n");

    const CliResult result = runProgram(folder, {"--settings", settings, path});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "2 lines deleted.\n");
    EXPECT_EQ(readFile(path), "kept\r\n");
}

TEST(CliRun, ReadsTheSettingsFileBesideTheProgram)
{
    TestFolder folder;
    const fs::path programFolder = folder.file("bin");
    fs::create_directory(programFolder);
    fs::copy_file(test::builtCli(), programFolder / "purgix-cli");
    folder.write("bin/purgix.ini", "drop\r\n");
    const std::string path = folder.write("hosts", "drop me\r\n127.0.0.1 x\r\nkeep\r\n");

    const CliResult result = runProgram(folder, {path}, {.program = programFolder / "purgix-cli"});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "2 lines deleted.\n");
    EXPECT_EQ(readFile(path), "keep\r\n");
}

TEST(CliRun, NamedSettingsFileThatCannotBeReadIsAnErrorThatLeavesTheFileAlone)
{
    TestFolder folder;
    const std::string path = folder.write("hosts", "127.0.0.1 x\n");
    fs::create_directory(folder.file("folder.ini"));
    folder.write("long.ini", std::string(40000, 'x') + "\n");
    for (const char* name : {"missing.ini", "folder.ini", "long.ini"}) {
        const std::string settings = folder.file(name).string();

        const CliResult result = runProgram(folder, {"--settings", settings, path});

        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_EQ(result.out, "") << name;
        EXPECT_NE(result.err.find(settings), std::string::npos) << result.err;
        EXPECT_EQ(readFile(path), "127.0.0.1 x\n");
    }
}

TEST(CliRun, FailureGoesToStandardError)
{
    TestFolder folder;
    const std::string path = folder.file("absent.txt").string();

    const CliResult result = runProgram(folder, {path, "x"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(contains(result.err, '"' + path + '"')) << result.err;
    EXPECT_TRUE(contains(result.err, "No such file or directory")) << result.err;
    EXPECT_FALSE(fs::exists(path));
}

TEST(CliRun, TemporaryFolderMessageGoesToStandardError)
{
    TestFolder folder;
    const std::string path = folder.write("hosts", "x\r\n");
    ::setenv("TMPDIR", folder.file("no-such-folder").c_str(), 1);

    const CliResult result = runProgram(folder, {path, "x"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "purgix-cli: Error getting temporary file path.\n");
    EXPECT_EQ(readFile(path), "x\r\n");
}

TEST(CliUsage, BadArgumentsPrintUsageAndExitWithTwo)
{
    TestFolder folder;
    const std::string path = folder.write("hosts", "0\r\n");

    const CliResult result =
        runProgram(folder, {path, "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});

    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "purgix-cli: at most ten targets can be given\n"
                          "Try 'purgix-cli --help'.\n");
    EXPECT_EQ(readFile(path), "0\r\n");
}

TEST(CliUsage, HelpAndVersionGoToStandardOutput)
{
    TestFolder folder;

    const CliResult help = runProgram(folder, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "Usage: purgix-cli")) << help.out;
    EXPECT_EQ(help.err, "");

    const CliResult version = runProgram(folder, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "purgix-cli 1.0.0\n");
}

TEST(CliFilter, FiltersARedirectedFileAndAPipeByteForByte)
{
    TestFolder folder;
    const std::string content = "keep\nads 1\nlone\rcr\nads\rx\n";
    const std::string input = folder.write("input", content);

    const CliResult redirected = runProgram(folder, {"-e", "ads", "-"},
                                            {.program = {}, .workingFolder = {}, .input = input});
    EXPECT_EQ(redirected.exitCode, 0) << redirected.err;
    EXPECT_EQ(redirected.out, "keep\nlone\rcr\n");
    EXPECT_EQ(redirected.err, "purgix-cli: 2 lines deleted.\n");

    const std::string pipeline = "cat \"$1\" | \"$2\" -e ads - | cat";
    const CliResult piped = runProgram(
        folder, {"-c", pipeline, "sh", input, test::builtCli().string()}, {.program = "/bin/sh"});
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, "keep\nlone\rcr\n");
    EXPECT_EQ(readFile(input), content);
    EXPECT_EQ(folder.tempDirListing(), "");
}

} // namespace
} // namespace purgix::cli
