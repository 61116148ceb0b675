#pragma once

#include "delete_run.h"
#include "test_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace purgix::test {

// A test folder whose temporary folder, and the folder of the processed file, must be
// free of temporary files after every test, whatever the run's outcome.
class RunTest : public ::testing::Test
{
protected:
    void TearDown() override;

    // Slots from a list, the rest left empty.
    static engine::TargetSlots slots(std::initializer_list<std::string_view> texts);

    TestFolder m_folder;
};

} // namespace purgix::test
