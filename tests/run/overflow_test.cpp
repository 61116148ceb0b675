#include "engine/delete_run.h"
#include "run/run_fixture.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace purgix::test {
namespace {

using engine::runDelete;

struct Block
{
    std::string text; // the line, repeated
    int count;
};

// Lines joined by lone CR, so that an untouched file differs from a rewritten one.
std::string linesOf(const std::vector<Block>& blocks, std::string_view ending)
{
    std::string content;
    for (const Block& block : blocks) {
        for (int i = 0; i < block.count; ++i) {
            content += block.text;
            content += ending;
        }
    }
    return content;
}

class OverflowTest : public RunTest
{
};

TEST_F(OverflowTest, FailsWhereSlotBySlotRemovalWouldAndKeepsTheSlotsBefore)
{
    struct Case
    {
        const char* name;
        std::vector<Block> file;
        Targets slots;
        std::string message;
        std::vector<Block> expected; // empty: the file stays as it was
    };
    const Case cases[] = {
        {"exactly the limit in one slot",
         {{"x", 32767}, {"keep", 2}},
         slotsOf({"x"}),
         "32767 lines deleted.",
         {{"keep", 2}}},
        {"one past the limit in the first slot",
         {{"x", 32768}, {"keep", 2}},
         slotsOf({"x"}),
         "Overflow",
         {}},
        {"one past the limit in the first used slot",
         {{"x", 32768}, {"keep", 2}},
         slotsOf({"", "", "x"}),
         "Overflow",
         {}},
        {"the second slot passes the limit",
         {{"a", 30000}, {"b", 3000}, {"keep", 2}},
         slotsOf({"a", "b"}),
         "Overflow",
         {{"b", 3000}, {"keep", 2}}},
        {"exactly the limit across slots",
         {{"a", 20000}, {"ab", 7000}, {"b", 5767}, {"keep", 2}},
         slotsOf({"a", "b"}),
         "32767 lines deleted.",
         {{"keep", 2}}},
        {"a later slot passes the limit, lines already counted earlier",
         {{"ab", 20000}, {"b", 10000}, {"c", 2768}, {"keep", 1}},
         slotsOf({"a", "", "b", "c"}),
         "Overflow",
         {{"c", 2768}, {"keep", 1}}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string original = linesOf(test.file, "\r");
        const std::string path = m_folder.write("big", original);
        engine::DeleteRunOptions options;
        options.bufferSize = 4096;
        const auto outcome = runDelete(path, test.slots, options);
        EXPECT_EQ(outcome.message, test.message);
        const std::string expected =
            test.expected.empty() ? original : linesOf(test.expected, "\r\n");
        EXPECT_EQ(readFile(path), expected);
    }
}

} // namespace
} // namespace purgix::test
