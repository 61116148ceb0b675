#include "cli/command_line.h"
#include "support/named_case.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace purgix::cli {
namespace {

using Action = CommandLine::Action;
using test::PrintTo;

CommandLine parse(const std::vector<const char*>& arguments)
{
    return parseCommandLine(arguments);
}

struct AcceptedCase
{
    const char* name;
    std::vector<const char*> arguments;
    std::optional<std::string> settingsFile;
    std::vector<std::string> paths;
    std::vector<TargetSource> targets;
};

TargetSource text(const char* target)
{
    return {TargetSource::Kind::Text, target};
}

TargetSource list(const char* file)
{
    return {TargetSource::Kind::List, file};
}

class AcceptedCommandLine : public testing::TestWithParam<AcceptedCase>
{
};

TEST_P(AcceptedCommandLine, GivesTheRunItsFileAndTargets)
{
    const AcceptedCase& expected = GetParam();
    const CommandLine commandLine = parse(expected.arguments);
    ASSERT_EQ(commandLine.action, Action::Run) << commandLine.usageError;
    EXPECT_EQ(commandLine.settingsFile, expected.settingsFile);
    EXPECT_EQ(commandLine.paths, expected.paths);
    EXPECT_EQ(commandLine.targets, expected.targets);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, AcceptedCommandLine,
    testing::Values(
        AcceptedCase{"PathAlone", {"hosts"}, std::nullopt, {"hosts"}, {}},
        AcceptedCase{"TargetsInSlotOrder",
                     {"hosts", "b", "a"},
                     std::nullopt,
                     {"hosts"},
                     {text("b"), text("a")}},
        AcceptedCase{"EmptyArgumentIsAnEmptySlot",
                     {"f", "", "x"},
                     std::nullopt,
                     {"f"},
                     {text(""), text("x")}},
        AcceptedCase{"SettingsFile", {"--settings", "s.ini", "f"}, "s.ini", {"f"}, {}},
        AcceptedCase{"SettingsFileWithEquals", {"--settings=s.ini", "f"}, "s.ini", {"f"}, {}},
        AcceptedCase{"DashesAfterPathAreTargets",
                     {"f", "-x", "--help", "--", "-e"},
                     std::nullopt,
                     {"f"},
                     {text("-x"), text("--help"), text("--"), text("-e")}},
        AcceptedCase{"DoubleDashEndsOptions", {"--", "-f", "t"}, std::nullopt, {"-f"}, {text("t")}},
        AcceptedCase{"LoneDashIsStandardInput", {"-", "t"}, std::nullopt, {"-"}, {text("t")}},
        AcceptedCase{"TargetOptionsMakeEveryOperandAFile",
                     {"-e", "a", "x.log", "--target=b", "y.log", "-fl.txt", "--targets-from", "m"},
                     std::nullopt,
                     {"x.log", "y.log"},
                     {text("a"), text("b"), list("l.txt"), list("m")}},
        AcceptedCase{"BundledShortOptions",
                     {"-nefoo", "-e", "-x", "--", "-v"},
                     std::nullopt,
                     {"-v"},
                     {text("foo"), text("-x")}}),
    test::CaseName{});

struct RefusedCase
{
    const char* name;
    std::vector<const char*> arguments;
    std::string reason;
};

class RefusedCommandLine : public testing::TestWithParam<RefusedCase>
{
};

TEST_P(RefusedCommandLine, IsAUsageErrorThatSaysWhy)
{
    const CommandLine commandLine = parse(GetParam().arguments);
    EXPECT_EQ(commandLine.action, Action::UsageError);
    EXPECT_NE(commandLine.usageError.find(GetParam().reason), std::string::npos)
        << commandLine.usageError;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RefusedCommandLine,
    testing::Values(RefusedCase{"NoArguments", {}, "no file"},
                    RefusedCase{"OnlyOptions", {"--settings", "s.ini"}, "no file"},
                    RefusedCase{"ElevenTargets",
                                {"f", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
                                "at most ten"},
                    RefusedCase{"UnknownLongOption", {"--verbose", "f"}, "--verbose"},
                    RefusedCase{"UnknownShortOption", {"-x", "f"}, "-x"},
                    RefusedCase{"SettingsWithoutFile", {"--settings"}, "--settings"},
                    RefusedCase{"WaitWithoutSeconds", {"--wait", "f"}, "--wait"},
                    RefusedCase{"WaitTooLong", {"--wait=86401", "f"}, "--wait"},
                    RefusedCase{"ElevenTargetOptions",
                                {"-e0", "-e1", "-e2", "-e3", "-e4", "-e5", "-e6", "-e7", "-e8",
                                 "-e9", "-e10", "f"},
                                "at most ten"},
                    RefusedCase{"TargetWithoutValue", {"-e"}, "-e needs a target"},
                    RefusedCase{"FlagWithValue", {"--dry-run=yes", "f"}, "--dry-run"},
                    RefusedCase{"EmptyBackupSuffix", {"--backup=", "f"}, "--backup"},
                    RefusedCase{"InputWithFiles", {"-e", "x", "-", "f"}, "standard input"},
                    RefusedCase{"InputWithBackup", {"-b", "-", "x"}, "--backup"},
                    RefusedCase{
                        "InputWithPrintDeleted", {"--print-deleted", "-", "x"}, "--dry-run"}),
    test::CaseName{});

TEST(CommandLineOptions, WaitTakesSecondsInEitherForm)
{
    EXPECT_EQ(parse({"f"}).waitSeconds, kDefaultWaitSeconds);
    EXPECT_EQ(parse({"--wait=5", "f"}).waitSeconds, 5u);
    EXPECT_EQ(parse({"--wait", "0", "f"}).waitSeconds, 0u);
    EXPECT_FALSE(parse({"f"}).progress);
    EXPECT_TRUE(parse({"--progress", "f"}).progress);
}

TEST(CommandLineOptions, FlagsAndBackupSuffix)
{
    const CommandLine plain = parse({"f"});
    EXPECT_FALSE(plain.dryRun || plain.printDeleted || plain.noLimit || plain.backupSuffix);
    const CommandLine all = parse({"-n", "--print-deleted", "--no-limit", "-b", "f"});
    EXPECT_TRUE(all.dryRun && all.printDeleted && all.noLimit);
    EXPECT_EQ(all.backupSuffix, ".bak");
    EXPECT_EQ(parse({"-b~", "f"}).backupSuffix, "~");
    EXPECT_EQ(parse({"--backup=.orig", "f"}).backupSuffix, ".orig");
    EXPECT_EQ(parse({"--dry-run", "f"}).dryRun, true);
}

TEST(CommandLineOptions, HelpAndVersionNeedNoFile)
{
    EXPECT_EQ(parse({"--help"}).action, Action::ShowHelp);
    EXPECT_EQ(parse({"-h", "f"}).action, Action::ShowHelp);
    EXPECT_EQ(parse({"--settings", "s", "--version"}).action, Action::ShowVersion);
#ifdef _WIN32
    EXPECT_EQ(parse({"/?"}).action, Action::ShowHelp);
#endif
}

} // namespace
} // namespace purgix::cli
