#include "engine/line_filter.h"
#include "support/memory_filter.h"
#include "support/reference_model.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

// The filter against a deliberately plain model of the line rule, over generated inputs
// and every small buffer size, so that lines, line ends and matches fall across block
// boundaries in every way.
namespace purgix::engine {
namespace {

using namespace std::string_literals;

// What the sink for dropped lines holds before a run: the run appends to it.
const std::string kEarlierDeleted = "earlier\r\n";

class Generator
{
public:
    explicit Generator(unsigned corpusNumber) : m_random(corpusNumber) {}

    Targets slots()
    {
        Targets slots;
        const int used = pick(1, kTargetCount);
        for (int slot = 0; slot < used; ++slot) {
            const int kind = pick(0, 9);
            if (kind == 0) {
                continue; // an empty slot
            }
            // Mostly short texts; some longer than the smaller buffers; a few with a CR.
            const std::size_t length = kind == 1 ? pick(20, 90) : pick(1, 4);
            std::string text = bytes(length, "abc\n");
            if (kind == 2) {
                text.insert(text.begin() + pick(0, static_cast<int>(text.size())), '\r');
            }
            slots[static_cast<std::size_t>(slot)] = text;
        }
        return slots;
    }

    // Filler bytes with targets and their beginnings spliced in. The filler decides the
    // line lengths and ends: short lines, long ones, lines ending mostly in LF or mostly in
    // CR LF, or a single line with no line end at all.
    std::string input(const Targets& slots)
    {
        static const std::string fillers[] = {"abcx\n\r", "abcxxxxxxxxxxxxxxxxxxxxx\n\r\0\xff"s,
                                              "abcx\n", "abcxyz\r\n\r\n\n", "abcxyz"};
        const std::string& filler = fillers[pick(0, 4)];
        std::string text;
        const int pieces = pick(0, 60);
        for (int piece = 0; piece < pieces; ++piece) {
            const std::string& slot = slots[static_cast<std::size_t>(pick(0, kTargetCount - 1))];
            const int kind = slot.empty() ? 2 : pick(0, 5);
            if (kind == 0) {
                text += slot;
            } else if (kind == 1) {
                text += slot.substr(
                    0, static_cast<std::size_t>(pick(1, static_cast<int>(slot.size()))));
            } else {
                text += bytes(static_cast<std::size_t>(pick(1, 12)), filler);
            }
        }
        return text;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    std::string bytes(std::size_t length, const std::string& alphabet)
    {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text +=
                alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
        }
        return text;
    }

    std::mt19937 m_random;
};

std::vector<std::size_t> bufferSizes()
{
    std::vector<std::size_t> sizes;
    for (std::size_t size = 1; size <= 64; ++size) {
        sizes.push_back(size);
    }
    sizes.insert(sizes.end(), {100, 257, 4096});
    return sizes;
}

TEST(LineFilterReference, MatchesThePlainModelAtEveryBufferSize)
{
    const std::vector<std::size_t> sizes = bufferSizes();
    for (unsigned corpusNumber = 0; corpusNumber < 400; ++corpusNumber) {
        Generator generate(corpusNumber);
        const Targets slots = generate.slots();
        const std::string input = generate.input(slots);
        const test::FilterModel expected = test::filterModel(input, slots);
        // Every other corpus hands the dropped lines on as well.
        const bool collectDeleted = corpusNumber % 2 == 1;
        for (const std::size_t bufferSize : sizes) {
            test::MemoryFilter filter(input);
            // Short reads as well: a block then ends wherever the read stopped.
            filter.limitTransfers(corpusNumber % 3 == 0 ? 7 : bufferSize, 0);
            if (collectDeleted) {
                filter.collectDeleted(kEarlierDeleted);
            }
            const FilterResult result = filter.run(slots, bufferSize);
            const std::string where = "corpus " + std::to_string(corpusNumber) + ", buffer size " +
                                      std::to_string(bufferSize);
            ASSERT_EQ(filter.output(), expected.output) << where;
            ASSERT_EQ(filter.deleted(), collectDeleted ? kEarlierDeleted + expected.deleted : "")
                << where;
            ASSERT_EQ(result.droppedPerSlot, expected.droppedPerSlot) << where;
            ASSERT_EQ(result.sameAsSource, expected.output == input) << where;
        }
    }
}

// Appended lines are filtered under a rule given beforehand: the model's rule for the
// whole input must give the model's result, block by block as short reads deliver it.
TEST(LineFilterReference, AppendedLinesMatchThePlainModelUnderItsRule)
{
    for (unsigned corpusNumber = 0; corpusNumber < 400; ++corpusNumber) {
        Generator generate(corpusNumber);
        const Targets slots = generate.slots();
        const std::string input = generate.input(slots);
        const test::FilterModel expected = test::filterModel(input, slots);
        test::MemoryFilter filter(input);
        filter.limitTransfers(7, 0);
        filter.collectDeleted(kEarlierDeleted);
        const FilterResult result =
            filter.runAppended(slots, test::endsLinesInLf(input) ? LineEnds::Lf : LineEnds::CrLf);
        ASSERT_EQ(filter.output(), expected.output) << "corpus " << corpusNumber;
        ASSERT_EQ(filter.deleted(), kEarlierDeleted + expected.deleted)
            << "corpus " << corpusNumber;
        ASSERT_EQ(result.droppedPerSlot, expected.droppedPerSlot) << "corpus " << corpusNumber;
    }
}

} // namespace
} // namespace purgix::engine
