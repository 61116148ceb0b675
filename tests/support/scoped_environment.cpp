#include "support/scoped_environment.h"

#include "support/system_environment.h"

#include <cstdlib>

namespace purgix::test {

ScopedEnvironment::~ScopedEnvironment()
{
    // Restored in reverse, so a variable set twice gets its first saved value back.
    for (auto saved = m_saved.rbegin(); saved != m_saved.rend(); ++saved) {
        setEnvironment(saved->first, saved->second);
    }
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value)
{
    const char* previous = std::getenv(name.c_str());
    m_saved.emplace_back(name,
                         previous != nullptr ? std::optional<std::string>(previous) : std::nullopt);
    setEnvironment(name, value);
}

} // namespace purgix::test
