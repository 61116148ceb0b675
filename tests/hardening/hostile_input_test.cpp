#include "engine/delete_run.h"
#include "support/cli_process.h"
#include "support/faulty_file_system.h"
#include "support/reference_model.h"
#include "support/target_lists.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace purgix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Every byte value, CR and LF included, in an order no text would have.
std::string binaryNoise(std::size_t size)
{
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

struct HostileCase
{
    std::string name;
    std::string content;
    Targets slots;
};

std::vector<HostileCase> hostileCases()
{
    const std::string longTarget(300, 'L');
    return {
        {"NUL bytes in lines and in the target", "a\0b\r\n\0\0\r\nplain\r\n\0"s,
         slotsOf({"\0\0"s, "a\0"s})},
        {"binary noise", binaryNoise(1 << 16), slotsOf({"\xff\xfe"s, "\0"s, "\x80\n"s})},
        {"invalid UTF-8", "\xff\xfe\xfd\r\n\xc3\x28 broken\r\n\xe2\x82 cut\r\nvalid \xc3\xa9\r\n",
         slotsOf({"\xc3\x28", "\xe2\x82"})},
        {"target longer than the file", "short\r\n", slotsOf({longTarget})},
        {"target longer than the buffer, present once",
         "keep\r\nx" + longTarget + "y\r\nkeep too\r\n" + longTarget.substr(1) + "\r\n",
         slotsOf({longTarget})},
        {"target holding a lone LF", "first\nhalf\r\nfirst\r\nhalf\r\n", slotsOf({"first\nhalf"})},
        {"target of a lone LF", "unix\nline\r\nwindows line\r\n", slotsOf({"\n"})},
        {"target holding CR LF never matches", "a\r\nb\r\n", slotsOf({"a\r\nb", "\r"})},
        {"ten equal targets", "x1\r\ny\r\nx2\r\n",
         slotsOf({"x", "x", "x", "x", "x", "x", "x", "x", "x", "x"})},
        {"empty file", "", slotsOf({"x"})},
        {"no line end at all, kept", "a single line without end", slotsOf({"zzz"})},
        {"no line end at all, dropped", "a single line without end", slotsOf({"single"})},
        {"LF-only file is one line", "a\nb\nc\n", slotsOf({"b"})},
        {"bare CR endings only", "\r\r\rx\r", slotsOf({"x"})},
    };
}

// Buffer sizes from one byte, where every line and target straddles reads, to the
// default.
constexpr std::size_t kBufferSizes[] = {1, 5, 64, 0};

TEST(HostileInput, DeleteRunMatchesTheModelOnOddFilesAndTargets)
{
    for (const HostileCase& hostile : hostileCases()) {
        const DeleteRunModel model = deleteRunModel(hostile.content, hostile.slots);
        for (const std::size_t bufferSize : kBufferSizes) {
            SCOPED_TRACE(hostile.name + ", buffer size " + std::to_string(bufferSize));
            TestFolder folder;
            const std::string path = folder.write("file.bin", hostile.content);
            engine::DeleteRunOptions options;
            options.bufferSize = bufferSize;

            const engine::DeleteRunOutcome outcome =
                engine::runDelete(path, hostile.slots, options);

            EXPECT_EQ(outcome.message, model.message);
            EXPECT_EQ(readFile(path), model.fileContent);
            EXPECT_EQ(folder.tempDirListing(), "");
        }
    }
}

struct OddPath
{
    std::string name;
    std::string fileName;
    std::vector<std::string> arguments; // "{}" stands for the path
    bool relative = false;              // the path is given from the file's folder
};

std::vector<OddPath> oddPaths()
{
    return {
        {"spaces", "my hosts file.txt", {"{}", "drop"}},
        {"quotes", "it's \"quoted\".txt", {"{}", "drop"}},
        {"non-ASCII letters",
         "Gr\xc3\xbc\xc3\x9f"
         "e-\xe3\x83\x95\xe3\x82\xa1.txt",
         {"{}", "drop"}},
        {"backslash and wildcards", "back\\slash *?.txt", {"{}", "drop"}},
        {"leading dash after --", "-n.txt", {"--", "{}", "drop"}, true},
        {"leading dash as ./", "-n.txt", {"./{}", "drop"}, true},
    };
}

std::vector<std::string> argumentsFor(const OddPath& odd, const std::string& path)
{
    std::vector<std::string> arguments;
    for (std::string argument : odd.arguments) {
        if (const std::size_t at = argument.find("{}"); at != std::string::npos) {
            argument.replace(at, 2, path);
        }
        arguments.push_back(argument);
    }
    return arguments;
}

TEST(HostileInput, CommandLineTakesOddPathsAsGiven)
{
    for (const OddPath& odd : oddPaths()) {
        SCOPED_TRACE(odd.name);
        TestFolder folder;
        const std::string path = folder.write(odd.fileName, "keep\r\ndrop me\r\n");
        const std::string given = odd.relative ? odd.fileName : path;

        const CliResult result = runCli(argumentsFor(odd, given), folder.file("cli-output"),
                                        {.workingFolder = folder.path()});

        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "1 lines deleted.\n");
        EXPECT_EQ(readFile(path), "keep\r\n");
        EXPECT_EQ(entryNames(folder.path(), {odd.fileName, "tmp", "cli-output"}), "");
    }
}

TEST(HostileInput, CommandLineSearchesForATargetThatLooksLikeAnOption)
{
    TestFolder folder;
    const std::string path = folder.write("list.txt", "keep\r\nrun -v now\r\n");

    const CliResult result = runCli({"--", path, "-v"}, folder.file("cli-output"));

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(path), "keep\r\n");
}

TEST(HostileInput, MissingFileWithAnOddNameIsNamedAndNotCreated)
{
    TestFolder folder;
    const std::string path = folder.file("no such \"file\" \xc3\xa9.txt").string();

    const CliResult result = runCli({path, "x"}, folder.file("cli-output"));

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("No such file or directory"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(path));
}

TEST(HostileInput, FileWithoutReadPermissionIsRefusedAndKept)
{
    TestFolder folder;
    const std::string path = folder.write("secret.txt", "drop\r\nkeep\r\n");
    FaultyFileSystem files;
    engine::DeleteRunOptions options;
    if (::geteuid() == 0) {
        // Permission bits do not stop root, so the refusal is played by the file layer.
        // The first open makes the run's temporary file, the second opens the file's
        // folder, the third the file.
        files.failCall(3, EACCES, FaultyFileSystem::Operation::Open);
        options.fileSystem = &files;
    } else {
        fs::permissions(path, fs::perms::owner_write);
    }

    const engine::DeleteRunOutcome outcome = engine::runDelete(path, {"drop"}, options);

    EXPECT_FALSE(outcome.succeeded);
    EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("Permission denied"), std::string::npos) << outcome.message;
    ASSERT_TRUE(outcome.fileError.has_value());
    EXPECT_EQ(outcome.fileError->error(), std::errc::permission_denied);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile(path), "drop\r\nkeep\r\n");
    EXPECT_EQ(folder.tempDirListing(), "");
}

// Someone who may write the folder above swaps the file's folder for a link to another
// between two steps of the run, on either route: every step must act on the folder that
// was checked, and the other folder's file stays as it is.
TEST(HostileInput, FolderSwappedForALinkDuringTheRunIsNotFollowed)
{
    using Operation = FaultyFileSystem::Operation;
    for (const bool secondName : {false, true}) {
        SCOPED_TRACE(secondName ? "rewritten in place" : "renamed over");
        TestFolder folder;
        const fs::path checked = folder.file("shared");
        const fs::path other = folder.file("other");
        fs::create_directories(checked);
        fs::create_directories(other);
        std::ofstream(checked / "list.txt", std::ios::binary) << "keep\r\ndrop\r\n";
        std::ofstream(other / "list.txt", std::ios::binary) << "other's drop\r\n";
        if (secondName) {
            fs::create_hard_link(checked / "list.txt", folder.file("second name"));
        }
        FaultyFileSystem files;
        bool swapped = false;
        files.setBeforeCall([&](const FaultyFileSystem::Call& call) {
            if (call.operation == Operation::Lock && !swapped) {
                swapped = true;
                fs::rename(checked, folder.file("moved"));
                fs::create_directory_symlink(other, checked);
            }
        });
        engine::DeleteRunOptions options;
        options.fileSystem = &files;

        const engine::DeleteRunOutcome outcome =
            engine::runDelete((checked / "list.txt").string(), {"drop"}, options);

        ASSERT_TRUE(swapped);
        EXPECT_EQ(readFile(other / "list.txt"), "other's drop\r\n") << outcome.message;
        const std::string result = readFile(folder.file("moved") / "list.txt");
        EXPECT_EQ(result, outcome.succeeded ? "keep\r\n" : "keep\r\ndrop\r\n") << outcome.message;
        EXPECT_EQ(entryNames(other), "list.txt ");
    }
}

// In a folder that others may write, a link that another user made is not followed, even
// by root and whatever the system's own protection says; the run names the link. A link of
// the folder's owner, or of the user who runs, is followed.
TEST(HostileInput, ALinkPlantedInASharedFolderIsNotFollowed)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "making another user's link needs root";
    }
    constexpr uid_t kOtherUser = 41003;
    TestFolder folder;
    const fs::path shared = folder.file("shared");
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string secret = folder.write("secret", "drop\nkeep\n");
    const std::string link = (shared / "f").string();
    fs::create_symlink(secret, link);
    ASSERT_EQ(::lchown(link.c_str(), kOtherUser, kOtherUser), 0);

    const engine::DeleteRunOutcome refused = engine::runDelete(link, {"drop"});

    EXPECT_EQ(refused.message, "Cannot open \"" + link + "\": \"" + link +
                                   "\" is a link that another user made in a folder that "
                                   "others may write.");
    EXPECT_EQ(readFile(secret), "drop\nkeep\n");

    ASSERT_EQ(::lchown(link.c_str(), 0, 0), 0);
    EXPECT_EQ(engine::runDelete(link, {"drop"}).message, "1 lines deleted.");
    EXPECT_EQ(readFile(secret), "keep\n");
}

} // namespace
} // namespace purgix::test
