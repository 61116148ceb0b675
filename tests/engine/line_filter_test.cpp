#include "engine/line_filter.h"
#include "support/memory_filter.h"
#include "support/named_case.h"
#include "support/target_lists.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace purgix::engine {
namespace {

using test::filterInMemory;
using test::MemoryFilter;
using test::PrintTo;
using test::slotsOf;
using Operation = test::MemoryFilter::Operation;
using namespace std::string_literals;

using Counts = std::array<std::uint64_t, kTargetCount>;

struct LineRuleCase
{
    const char* name;
    std::string input;
    std::string expected;
};

class LineRule : public testing::TestWithParam<LineRuleCase>
{
};

// Nothing matches "zz", so every line comes out with its end turned into CR LF.
TEST_P(LineRule, KeptLinesEndInCrLf)
{
    const LineRuleCase& rule = GetParam();
    for (const std::size_t bufferSize :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, kDefaultBufferSize}) {
        const auto run = filterInMemory(rule.input, slotsOf({"zz"}), bufferSize);
        EXPECT_EQ(run.output, rule.expected) << "buffer size " << bufferSize;
        EXPECT_EQ(run.result.failure, FilterResult::Failure::None);
        EXPECT_EQ(run.result.droppedPerSlot, Counts{});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineRule,
    testing::Values(LineRuleCase{"Empty", "", ""}, LineRuleCase{"NoTerminator", "a", "a\r\n"},
                    LineRuleCase{"CrOnly", "a\rb\r", "a\r\nb\r\n"},
                    LineRuleCase{"CrLf", "a\r\nb\r\n", "a\r\nb\r\n"},
                    LineRuleCase{"TrailingCrAddsNoLine", "a\r", "a\r\n"},
                    LineRuleCase{"LfEndsLinesWhenNoCr", "a\nb\nc", "a\nb\nc\n"},
                    LineRuleCase{"LfFileKeepsEmptyLines", "\n\na\n", "\n\na\n"},
                    LineRuleCase{"CrInAnLfFileStaysInItsLine", "a\nb\nc\r", "a\nb\nc\r\n"},
                    LineRuleCase{"Mixed", "a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd\r\n"},
                    LineRuleCase{"CrCrLfHoldsAnEmptyLine", "a\r\r\nb", "a\r\n\r\nb\r\n"},
                    LineRuleCase{"EmptyLinesKept", "\r\n\r\r\n", "\r\n\r\n\r\n"},
                    LineRuleCase{"TieGoesToCrLf", "a\r\n\nb", "a\r\n\r\nb\r\n"},
                    LineRuleCase{"LfCr", "\n\r", "\r\n\r\n"}),
    test::CaseName{});

struct MatchCase
{
    const char* name;
    Targets slots;
    std::string input;
    std::string expected;
    Counts dropped;
};

class Matching : public testing::TestWithParam<MatchCase>
{
};

TEST_P(Matching, DropsLinesHoldingATarget)
{
    const MatchCase& match = GetParam();
    for (const std::size_t bufferSize : {std::size_t{1}, std::size_t{4}, kDefaultBufferSize}) {
        const auto run = filterInMemory(match.input, match.slots, bufferSize);
        EXPECT_EQ(run.output, match.expected) << "buffer size " << bufferSize;
        EXPECT_EQ(run.result.droppedPerSlot, match.dropped) << "buffer size " << bufferSize;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Matching,
    testing::Values(
        MatchCase{"ExactAndCaseSensitive", slotsOf({"abc"}), "xxabcxx\rabc\rABC\rab c\r",
                  "ABC\r\nab c\r\n", Counts{2}},
        MatchCase{"SingleSpace", slotsOf({" "}), "a b\rab\r \r", "ab\r\n", Counts{2}},
        MatchCase{"SeveralOccurrencesCountOnce", slotsOf({"ab"}), "abab xab\rc", "c\r\n",
                  Counts{1}},
        MatchCase{"LfFileDropsOnlyItsLine", slotsOf({"b"}), "a\nb\nc\n", "a\nc\n", Counts{1}},
        MatchCase{"LfFileTargetHoldingLfNeverMatches", slotsOf({"a\nb", "c"}), "a\nb\nc\n",
                  "a\nb\n", Counts{0, 1}},
        // Each kind of file: only the lines holding the target go.
        MatchCase{"LfFileWithOneCrLfLine", slotsOf({"ssh"}), "a\nssh 22\nb\r\nc\n", "a\nb\r\nc\n",
                  Counts{1}},
        MatchCase{"LfFileWithProgressCrs", slotsOf({"error"}),
                  "get 10%\r20%\r100%\nerror x\ndone\n", "get 10%\r20%\r100%\ndone\n", Counts{1}},
        MatchCase{"CrLfFileWithLinesAppendedWithLf", slotsOf({"b"}), "a\r\nb\r\nc\r\nd\ne\n",
                  "a\r\nc\r\nd\r\ne\r\n", Counts{1}},
        MatchCase{"CrFileWithOneLoneLf", slotsOf({"b"}), "a\rb\rc\nd\r", "a\r\nc\r\nd\r\n",
                  Counts{1}},
        MatchCase{"NoLineEnd", slotsOf({"b"}), "abc", "", Counts{1}},
        // The first blocks look like an LF file; the whole file is a CR LF one.
        MatchCase{"CrLfLinesLateInTheFileDecide", slotsOf({"b"}),
                  "a\nb\nc\n" + std::string(3000, 'x') + "\r\nd\r\ne\r\nf\r\ng\r\n",
                  "a\r\nc\r\n" + std::string(3000, 'x') + "\r\nd\r\ne\r\nf\r\ng\r\n", Counts{1}},
        MatchCase{"TargetHoldingALineEndNeverMatches", slotsOf({"a\nb", "b\r"}), "xa\nby\ra\r\nb\r",
                  "xa\r\nby\r\na\r\nb\r\n", Counts{}},
        MatchCase{"LfFileTargetHoldingCrMatches", slotsOf({"b\r"}), "a\nb\r\nc\n", "a\nc\n",
                  Counts{1}},
        MatchCase{"NulAndInvalidUtf8", slotsOf({"\0\xff"s}),
                  "a\0\xff"s
                  "b\r\xff\0\rc"s,
                  "\xff\0\r\nc\r\n"s, Counts{1}},
        MatchCase{"EmptySlotsIgnored", Targets{"", "", "b"}, "a\rb\r", "a\r\n", Counts{0, 0, 1}},
        MatchCase{"NoTargetsKeepsEverything", Targets{}, "a\rb", "a\r\nb\r\n", Counts{}}),
    test::CaseName{});

// Running one pass per slot would drop a line in the first pass whose text it holds.
TEST(LineFilter, CountsEachLineForTheLowestSlotItHolds)
{
    struct Case
    {
        Targets slots;
        Counts dropped;
    };
    const Case cases[] = {
        {slotsOf({"a", "ab"}), Counts{2, 0}},
        {slotsOf({"ab", "a"}), Counts{1, 1}},
        {slotsOf({"zz", "b", "a"}), Counts{0, 2, 1}},
        {Targets{"", "", "", "b", "", "", "", "ab"}, Counts{0, 0, 0, 2}},
    };
    for (const Case& c : cases) {
        for (const std::size_t bufferSize : {std::size_t{1}, kDefaultBufferSize}) {
            const auto run = filterInMemory("ab\ra\rb\rc", c.slots, bufferSize);
            EXPECT_EQ(run.result.droppedPerSlot, c.dropped);
        }
    }
}

TEST(LineFilter, LowerSlotLateInALongLineStillCounts)
{
    const std::string line = "b" + std::string(5000, 'x') + "a";
    const auto run = filterInMemory("keep\r" + line + "\rkeep", slotsOf({"a", "b"}), 16);
    EXPECT_EQ(run.output, "keep\r\nkeep\r\n");
    EXPECT_EQ(run.result.droppedPerSlot, (Counts{1, 0}));
}

TEST(LineFilter, LineLongerThanTheBufferIsCutBackWhenItsTargetComesLast)
{
    const std::string longLine = std::string(100000, 'x') + "end";
    MemoryFilter filter("first\r\n" + longLine + "\r\nlast");
    filter.limitTransfers(4096, 0);
    const FilterResult result = filter.run(slotsOf({"end"}), 1024);
    EXPECT_EQ(filter.output(), "first\r\nlast\r\n");
    EXPECT_EQ(result.droppedPerSlot[0], 1u);
    EXPECT_GE(filter.callCount(Operation::CutBack), 1);
}

TEST(LineFilter, ReadFailureStopsWithItsErrno)
{
    MemoryFilter filter(std::string(100, 'a'));
    filter.limitTransfers(10, 0);
    filter.failCall(3, EIO, Operation::Read);
    const FilterResult result = filter.run(slotsOf({"b"}), 16);
    EXPECT_EQ(result.failure, FilterResult::Failure::Read);
    EXPECT_EQ(result.errorNumber, EIO);
}

TEST(LineFilter, WriteFailureStopsWithItsErrno)
{
    for (const std::size_t bufferSize : {std::size_t{8}, kDefaultBufferSize}) {
        MemoryFilter filter("line\rline\rline\r");
        filter.limitOutputSize(10);
        const FilterResult result = filter.run(slotsOf({"b"}), bufferSize);
        EXPECT_EQ(result.failure, FilterResult::Failure::Write);
        EXPECT_EQ(result.errorNumber, ENOSPC);
    }
}

TEST(LineFilter, FailedCutBackIsAWriteFailure)
{
    MemoryFilter filter(std::string(1000, 'x') + "b");
    filter.failCall(1, EROFS, Operation::CutBack);
    const FilterResult result = filter.run(slotsOf({"b"}), 64);
    EXPECT_EQ(result.failure, FilterResult::Failure::Write);
    EXPECT_EQ(result.errorNumber, EROFS);
}

} // namespace
} // namespace purgix::engine
