#include "engine/delete_run.h"
#include "support/reference_model.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace purgix::test {
namespace {

struct LineGroup
{
    std::string text;
    int count = 0;
};

struct LimitCase
{
    std::string name;
    std::vector<LineGroup> groups;
    Targets slots;
    std::string expectedMessage;
};

// Numbered lines, group after group; every 1000th line ends in a bare CR, so that a
// file left untouched can be told from one rewritten with CR LF.
std::string generatedFile(const std::vector<LineGroup>& groups)
{
    std::string content;
    int number = 0;
    for (const LineGroup& group : groups) {
        for (int i = 0; i < group.count; ++i, ++number) {
            content += group.text + ' ' + std::to_string(number);
            content += number % 1000 == 999 ? "\r" : "\r\n";
        }
    }
    return content;
}

std::vector<LimitCase> limitCases()
{
    return {
        {"32,767 matching lines are reported",
         {{"hit", 32767}, {"miss", 3}},
         {"hit"},
         "32767 lines deleted."},
        {"32,768 matching lines overflow and leave the file as it was",
         {{"hit", 32768}, {"miss", 3}},
         {"hit"},
         "Overflow"},
        {"32,767 in total over two slots are reported",
         {{"one", 100}, {"two", 32667}, {"miss", 2}},
         {"one", "two"},
         "32767 lines deleted."},
        {"a total past the limit keeps the earlier slot applied",
         {{"one", 100}, {"two", 32668}, {"miss", 2}},
         {"one", "two"},
         "Overflow"},
        {"an overflow after an empty slot keeps the earlier slot applied",
         {{"one", 10}, {"three", 32758}},
         {"one", "", "three"},
         "Overflow"},
        {"lines matching two slots count once, for the first",
         {{"one two", 32767}, {"two", 1}},
         {"one", "two"},
         "Overflow"},
        {"a later slot overflowing on its own",
         {{"one", 5}, {"two", 40000}},
         {"one", "two"},
         "Overflow"},
    };
}

TEST(CountLimits, RunStopsWhereThePassByPassRunWouldAndLeavesTheSameFile)
{
    for (const LimitCase& limit : limitCases()) {
        const std::string content = generatedFile(limit.groups);
        const DeleteRunModel model = deleteRunModel(content, limit.slots);
        ASSERT_EQ(model.message, limit.expectedMessage) << limit.name;
        for (const std::size_t bufferSize : {std::size_t{0}, std::size_t{61}}) {
            SCOPED_TRACE(limit.name + ", buffer size " + std::to_string(bufferSize));
            TestFolder folder;
            const std::string path = folder.write("big.txt", content);
            engine::DeleteRunOptions options;
            options.bufferSize = bufferSize;

            const engine::DeleteRunOutcome outcome = engine::runDelete(path, limit.slots, options);

            EXPECT_EQ(outcome.message, limit.expectedMessage);
            EXPECT_EQ(outcome.succeeded, model.succeeded);
            EXPECT_TRUE(readFile(path) == model.fileContent) << "the file differs from the model";
            EXPECT_EQ(folder.tempDirListing(), "");
        }
    }
}

} // namespace
} // namespace purgix::test
