#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace purgix::test {

// A row of a parameterised test's table that carries its own `name`.
template <typename Case>
concept NamedCase = requires(const Case& row)
{
    std::string(row.name);
};

// Shows a row by its name in failure reports instead of its bytes. Being more constrained
// than gtest's catch-all PrintTo, it is chosen wherever a using-declaration puts it beside
// the row's type.
template <NamedCase Case> void PrintTo(const Case& row, std::ostream* out)
{
    *out << row.name;
}

// Names each instantiated test after its row, for INSTANTIATE_TEST_SUITE_P.
struct CaseName
{
    template <NamedCase Case> std::string operator()(const testing::TestParamInfo<Case>& info) const
    {
        return info.param.name;
    }
};

} // namespace purgix::test
