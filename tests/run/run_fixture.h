#pragma once

#include "engine/delete_run.h"
#include "support/target_lists.h"
#include "support/test_folder.h"

#include <gtest/gtest.h>

namespace purgix::test {

// A test folder whose temporary folder, and the folder of the processed file, must be
// free of temporary files after every test, whatever the run's outcome.
class RunTest : public ::testing::Test
{
protected:
    void TearDown() override;

    TestFolder m_folder;
};

} // namespace purgix::test
