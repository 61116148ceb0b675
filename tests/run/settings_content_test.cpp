#include "settings/detail/settings_content.h"
#include "support/named_case.h"
#include "support/target_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace purgix::settings {
namespace {

using namespace std::string_literals;
using test::PrintTo;

struct ReadingCase
{
    const char* name;
    std::string content;
    std::vector<std::string> leading; // the first slots; the rest keep the start-up text
};

class SettingsReading : public testing::TestWithParam<ReadingCase>
{
};

TEST_P(SettingsReading, FillsSlotsLineByLine)
{
    Targets targets = test::startUpTargets();
    applySettingsContent(GetParam().content, targets);

    Targets expected = test::startUpTargets();
    std::copy(GetParam().leading.begin(), GetParam().leading.end(), expected.begin());
    EXPECT_EQ(targets, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsReading,
    testing::Values(
        ReadingCase{"EmptyFileKeepsEverySlot", "", {}},
        ReadingCase{"ThreeLinesFillTheFirstThree", "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
        ReadingCase{"ExactlyTenLines",
                    "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n",
                    {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        ReadingCase{"LinesPastTheTenthAreIgnored",
                    "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\nten\r\neleven",
                    {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        ReadingCase{"BareCrEndsALineAndLastLineNeedsNoTerminator", "a\rb\rc", {"a", "b", "c"}},
        ReadingCase{"MostlyCrLfLinesEndAtLoneLfToo", "a\nb\r\n\r\nc\r\n", {"a", "b", "", "c"}},
        ReadingCase{"MostlyLfLinesKeepTheirCrs", "a\r\nb\nc\n", {"a\r", "b", "c"}},
        // Only the part up to the tenth LF decides: the CRs after it do not count.
        ReadingCase{"TheTenLinesDecide",
                    "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\r\n\r\r\r\r\r\r\r\r\r\r\r",
                    {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9\r"}},
        ReadingCase{"CrLfIsOneTerminatorAndCrCrIsTwo", "\r\n\r\r\nx", {"", "", "", "x"}},
        ReadingCase{
            "NulHighBytesAndSpacesAreOrdinary", "a\0b\r\n\xff\xe9 \r\n"s, {"a\0b"s, "\xff\xe9 "}}),
    test::CaseName{});

} // namespace
} // namespace purgix::settings
