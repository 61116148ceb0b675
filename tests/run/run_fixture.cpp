#include "run_fixture.h"

#include <algorithm>
#include <filesystem>

namespace purgix::test {

void RunTest::TearDown()
{
    EXPECT_EQ(m_folder.tempDirListing(), "") << "temporary files left behind";
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.')
            << "file left beside the processed file: " << entry.path();
    }
}

engine::TargetSlots RunTest::slots(std::initializer_list<std::string_view> texts)
{
    engine::TargetSlots result;
    std::copy(texts.begin(), texts.end(), result.begin());
    return result;
}

} // namespace purgix::test
