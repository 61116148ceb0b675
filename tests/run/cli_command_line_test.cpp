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
    std::string path;
    std::vector<std::string> targets;
};

class AcceptedCommandLine : public testing::TestWithParam<AcceptedCase>
{
};

TEST_P(AcceptedCommandLine, GivesTheRunItsFileAndTargets)
{
    const AcceptedCase& expected = GetParam();
    const CommandLine commandLine = parse(expected.arguments);
    ASSERT_EQ(commandLine.action, Action::Run) << commandLine.usageError;
    EXPECT_EQ(commandLine.settingsFile, expected.settingsFile);
    EXPECT_EQ(commandLine.path, expected.path);
    EXPECT_EQ(commandLine.targets, expected.targets);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, AcceptedCommandLine,
    testing::Values(
        AcceptedCase{"PathAlone", {"hosts"}, std::nullopt, "hosts", {}},
        AcceptedCase{"TargetsInSlotOrder", {"hosts", "b", "a"}, std::nullopt, "hosts", {"b", "a"}},
        AcceptedCase{"EmptyArgumentIsAnEmptySlot", {"f", "", "x"}, std::nullopt, "f", {"", "x"}},
        AcceptedCase{"TenTargets",
                     {"f", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
                     std::nullopt,
                     "f",
                     {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        AcceptedCase{"SettingsFile", {"--settings", "s.ini", "f"}, "s.ini", "f", {}},
        AcceptedCase{"SettingsFileWithEquals", {"--settings=s.ini", "f"}, "s.ini", "f", {}},
        AcceptedCase{"DashesAfterPathAreTargets",
                     {"f", "-x", "--help", "--", "--settings"},
                     std::nullopt,
                     "f",
                     {"-x", "--help", "--", "--settings"}},
        AcceptedCase{"DoubleDashEndsOptions", {"--", "-f", "t"}, std::nullopt, "-f", {"t"}},
        AcceptedCase{"LoneDashIsAFileName", {"-", "t"}, std::nullopt, "-", {"t"}}),
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
                    RefusedCase{"WaitTooLong", {"--wait=86401", "f"}, "--wait"}),
    test::CaseName{});

TEST(CommandLineOptions, WaitTakesSecondsInEitherForm)
{
    EXPECT_EQ(parse({"f"}).waitSeconds, kDefaultWaitSeconds);
    EXPECT_EQ(parse({"--wait=5", "f"}).waitSeconds, 5u);
    EXPECT_EQ(parse({"--wait", "0", "f"}).waitSeconds, 0u);
    EXPECT_FALSE(parse({"f"}).progress);
    EXPECT_TRUE(parse({"--progress", "f"}).progress);
}

TEST(CommandLineOptions, HelpAndVersionNeedNoFile)
{
    EXPECT_EQ(parse({"--help"}).action, Action::ShowHelp);
    EXPECT_EQ(parse({"-h", "f"}).action, Action::ShowHelp);
    EXPECT_EQ(parse({"--settings", "s", "--version"}).action, Action::ShowVersion);
}

} // namespace
} // namespace purgix::cli
