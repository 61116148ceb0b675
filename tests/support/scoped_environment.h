#pragma once

#include <optional>
#include <string>
#include <vector>

namespace purgix::test {

// Sets or unsets environment variables for one test and puts them back afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // Sets `name` to `value`, or unsets it when `value` is empty.
    void set(const std::string& name, const std::optional<std::string>& value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace purgix::test
