#include "engine/detail/multi_literal_search.h"
#include "support/named_case.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

namespace purgix::engine {
namespace {

struct Found
{
    std::ptrdiff_t offset;
    int slot;
    bool operator==(const Found&) const = default;
};

std::optional<Found> findPlainly(const std::string& haystack, std::size_t begin, std::size_t end,
                                 const Targets& slots)
{
    for (std::size_t at = begin; at < end; ++at) {
        for (int slot = 0; slot < kTargetCount; ++slot) {
            const std::string& text = slots[static_cast<std::size_t>(slot)];
            if (!text.empty() && at + text.size() <= end &&
                haystack.compare(at, text.size(), text) == 0) {
                return Found{static_cast<std::ptrdiff_t>(at), slot};
            }
        }
    }
    return std::nullopt;
}

// The range sits in a string padded with bytes that would match, so that a search
// reading past the range's end must still not report anything there.
class PaddedText
{
public:
    PaddedText(const std::string& text, char padding)
        : m_bytes(text + std::string(kSearchOverread, padding))
    {
    }
    const char* at(std::size_t offset) const { return m_bytes.data() + offset; }

private:
    std::string m_bytes;
};

std::optional<Found> findIn(MultiLiteralSearch& search, const PaddedText& text, std::size_t begin,
                            std::size_t end)
{
    const std::optional<LiteralMatch> match = search.find(text.at(begin), text.at(end));
    if (!match) {
        return std::nullopt;
    }
    return Found{match->position - text.at(0), match->slot};
}

using test::PrintTo;

struct KernelCase
{
    const char* name;
    SearchKernel kernel;
};

class Kernels : public testing::TestWithParam<KernelCase>
{
protected:
    void SetUp() override
    {
        if (!MultiLiteralSearch::isAvailable(GetParam().kernel)) {
            GTEST_SKIP() << "this processor lacks the kernel";
        }
    }
};

TEST_P(Kernels, FindsTheEarliestMatchAndItsLowestSlot)
{
    std::mt19937 random(7);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Every third round draws from two letters only, so that long texts repeat themselves
    // and nearly match everywhere: the long texts' matchers must still find every match
    // through a series of searches going forward, as the line filter makes them.
    std::string alphabet;
    const auto randomText = [&](int length) {
        std::string text;
        for (int i = 0; i < length; ++i) {
            text +=
                alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
        }
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        alphabet = round % 3 == 0 ? "ab" : "abcd\n";
        // Every other round a single text, which has scans of its own.
        Targets slots;
        const int count = round % 2 == 0 ? 1 : pick(2, kTargetCount);
        for (int added = 0; added < count; ++added) {
            // Lengths 1 to 3 decide how many leading bytes the nibble scans compare; texts
            // longer than 16 bytes go to the long texts' matchers.
            slots[static_cast<std::size_t>(pick(0, kTargetCount - 1))] =
                randomText(pick(0, 3) == 0 ? pick(1, 3) : pick(4, 40));
        }
        MultiLiteralSearch search(slots, GetParam().kernel);
        const std::string haystack = randomText(pick(0, 300));
        const PaddedText padded(haystack, alphabet[static_cast<std::size_t>(pick(0, 1))]);
        auto begin = static_cast<std::size_t>(pick(0, static_cast<int>(haystack.size())));
        const auto end = static_cast<std::size_t>(
            pick(static_cast<int>(begin), static_cast<int>(haystack.size())));
        std::optional<Found> expected = findPlainly(haystack, begin, end, slots);
        ASSERT_EQ(findIn(search, padded, begin, end), expected) << "round " << round;
        for (std::optional<Found> next = expected; next;) {
            begin = static_cast<std::size_t>(next->offset) + 1;
            next = findPlainly(haystack, begin, end, slots);
            ASSERT_EQ(findIn(search, padded, begin, end), next) << "round " << round;
        }
        search.forgetText();
        begin = expected ? static_cast<std::size_t>(expected->offset) : begin;
        if (expected) {
            const int lowest = search.lowestSlotIn(padded.at(begin), padded.at(end), kTargetCount);
            int plainLowest = kTargetCount;
            for (std::size_t at = begin; at < end; ++at) {
                if (const auto found = findPlainly(haystack, at, end, slots)) {
                    plainLowest = std::min(plainLowest, found->slot);
                }
            }
            ASSERT_EQ(lowest, plainLowest) << "round " << round;
        }
    }
}

TEST_P(Kernels, IgnoresEmptySlots)
{
    MultiLiteralSearch search(Targets{"", "a\rb", "", "b"}, GetParam().kernel);
    EXPECT_EQ(search.longestLength(), 3u);
    const PaddedText text("a\rb", 'b');
    EXPECT_EQ(findIn(search, text, 0, 3), (Found{0, 1}));
}

TEST_P(Kernels, NothingToFindInAnEmptySet)
{
    MultiLiteralSearch search(Targets{}, GetParam().kernel);
    EXPECT_TRUE(search.empty());
    const PaddedText text("abc", 'a');
    EXPECT_EQ(findIn(search, text, 0, 3), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Each, Kernels,
                         testing::Values(KernelCase{"Avx2", SearchKernel::Avx2},
                                         KernelCase{"Ssse3", SearchKernel::Ssse3},
                                         KernelCase{"Portable", SearchKernel::Portable}),
                         test::CaseName{});

} // namespace
} // namespace purgix::engine
