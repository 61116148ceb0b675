#include "support/reference_model.h"
#include "support/target_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The fuzz targets trust the model, so it is pinned to the documented behaviour here.
namespace purgix::test {
namespace {

struct ModelCase
{
    std::string name;
    std::string content;
    Targets slots;
    std::string expectedFile;
    std::string expectedMessage;
    std::string expectedDeleted; // the dropped lines of the one-scan model
};

TEST(ReferenceModel, DeleteRunAndDroppedLinesFollowTheDocumentedExamples)
{
    const std::vector<ModelCase> cases = {
        {"first slot takes lines both slots match",
         "ab\r\na\r\nb\r\n",
         {"a", "ab"},
         "b\r\n",
         "2 lines deleted.",
         "ab\r\na\r\n"},
        {"LF file keeps LF", "x\ny\nz", {"y"}, "x\nz\n", "1 lines deleted.", "y\n"},
        {"a CR in an LF file is part of its line",
         "x\ny\r\nz\n",
         {"y\r"},
         "x\nz\n",
         "1 lines deleted.",
         "y\r\n"},
        {"a lone LF in a CR LF file ends a line",
         "x\r\ny\nz\r\n",
         {"y"},
         "x\r\nz\r\n",
         "1 lines deleted.",
         "y\r\n"},
        {"no terminator at all ends in CR LF", "xy", {"q"}, "xy\r\n", "0 lines deleted.", ""},
        {"all endings become CR LF", "a\r\nb\rc", {"q"}, "a\r\nb\r\nc\r\n", "0 lines deleted.", ""},
        {"a dropped last line gets the file's line end",
         "a\r\nb\rc",
         {"c"},
         "a\r\nb\r\n",
         "1 lines deleted.",
         "c\r\n"},
        {"a dropped last line in an LF file gets LF",
         "x\ny\nz",
         {"z"},
         "x\ny\n",
         "1 lines deleted.",
         "z\n"},
        {"empty lines stay", "\r\n\r\rx\r\n", {"x"}, "\r\n\r\n\r\n", "1 lines deleted.", "x\r\n"},
        {"exact and case-sensitive",
         "xxabcxx\r\nabc\r\nABC\r\nab c\r\n",
         {"abc"},
         "ABC\r\nab c\r\n",
         "2 lines deleted.",
         "xxabcxx\r\nabc\r\n"},
        {"all slots empty leave the file", "a\nb", {}, "a\nb", "0 lines deleted.", ""},
        {"a line with the target twice counts once",
         "aa a\r\n",
         {"a"},
         "",
         "1 lines deleted.",
         "aa a\r\n"},
    };
    for (const ModelCase& c : cases) {
        const DeleteRunModel model = deleteRunModel(c.content, c.slots);
        EXPECT_EQ(model.fileContent, c.expectedFile) << c.name;
        EXPECT_EQ(model.message, c.expectedMessage) << c.name;
        EXPECT_EQ(filterModel(c.content, c.slots).deleted, c.expectedDeleted) << c.name;
    }
}

TEST(ReferenceModel, SettingsFollowTheReadingTable)
{
    const Targets start = startUpTargets();
    Targets threeLines = start;
    threeLines[0] = "a";
    threeLines[1] = "b";
    threeLines[2] = "c";
    Targets twelveLines;
    for (int i = 0; i < 10; ++i) {
        twelveLines[static_cast<std::size_t>(i)] = std::to_string(i);
    }

    EXPECT_EQ(applySettingsModel("", start), start);
    EXPECT_EQ(applySettingsModel("a\r\nb\rc", start), threeLines);
    EXPECT_EQ(applySettingsModel("0\r1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r", start), twelveLines);
    EXPECT_EQ(applySettingsModel("a\nb\nc\n", start), threeLines);
    EXPECT_EQ(applySettingsModel("0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\r11\r", start), twelveLines);
}

} // namespace
} // namespace purgix::test
