#include "run/run_fixture.h"

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

} // namespace purgix::test
