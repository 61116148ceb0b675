#include "settings_content.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace purgix::settings {
namespace {

using namespace std::string_literals;

struct ReadingCase
{
    const char* name;
    std::string content;
    std::vector<std::string> expected; // all ten slots, "k" standing for the start-up text
};

class SettingsReading : public testing::TestWithParam<ReadingCase>
{
};

TEST_P(SettingsReading, FillsSlotsLineByLine)
{
    Targets targets;
    targets.fill(std::string(kStartUpTarget));
    applySettingsContent(GetParam().content, targets);

    std::vector<std::string> expected = GetParam().expected;
    std::replace(expected.begin(), expected.end(), "k"s, std::string(kStartUpTarget));
    EXPECT_EQ(std::vector<std::string>(targets.begin(), targets.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsReading,
    testing::Values(ReadingCase{"EmptyFileKeepsEverySlot",
                                "",
                                {"k", "k", "k", "k", "k", "k", "k", "k", "k", "k"}},
                    ReadingCase{"ThreeLinesFillTheFirstThree",
                                "a\r\nb\r\nc\r\n",
                                {"a", "b", "c", "k", "k", "k", "k", "k", "k", "k"}},
                    ReadingCase{"ExactlyTenLines",
                                "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n",
                                {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
                    ReadingCase{"LinesPastTheTenthAreIgnored",
                                "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\nten\r\neleven",
                                {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
                    ReadingCase{"BareCrEndsALineAndLastLineNeedsNoTerminator",
                                "a\rb\rc",
                                {"a", "b", "c", "k", "k", "k", "k", "k", "k", "k"}},
                    ReadingCase{"LoneLfStaysInsideTheTarget",
                                "a\nb\r\n\nc\n\r\n",
                                {"a\nb", "\nc\n", "k", "k", "k", "k", "k", "k", "k", "k"}},
                    ReadingCase{"CrLfIsOneTerminatorAndCrCrIsTwo",
                                "\r\n\r\r\nx",
                                {"", "", "", "x", "k", "k", "k", "k", "k", "k"}},
                    ReadingCase{"NulHighBytesAndSpacesAreOrdinary",
                                "a\0b\r\n\xff\xe9 \r\n"s,
                                {"a\0b"s, "\xff\xe9 ", "k", "k", "k", "k", "k", "k", "k", "k"}}),
    [](const testing::TestParamInfo<ReadingCase>& info) { return info.param.name; });

} // namespace
} // namespace purgix::settings
