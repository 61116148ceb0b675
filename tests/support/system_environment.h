#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace purgix::test {

// The variable that names the temporary folder a run uses: TMPDIR on Linux, TMP on
// Windows.
extern const char* const kTemporaryFolderVariable;

// Sets `name` to `value`, or removes it when there is no value.
void setEnvironment(const std::string& name, const std::optional<std::string>& value);

// Creates a new folder from `pattern`, whose last six characters are "XXXXXX", and puts
// the name created into `pattern`.
bool createUniqueFolder(std::string& pattern);

// Holds the lock a run takes on the file at `path` while it lives, as another run would.
class HeldLock
{
public:
    explicit HeldLock(const std::string& path);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    std::intptr_t m_handle; // a descriptor or a HANDLE
};

} // namespace purgix::test
