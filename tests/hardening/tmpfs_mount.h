#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace purgix::test {

// A small tmpfs mounted on a new folder for the life of the object, to fill a real file
// system. Mounting needs root (CAP_SYS_ADMIN); where it is refused, mounted() is false
// and failure() says why.
class TmpfsMount
{
public:
    TmpfsMount(const std::filesystem::path& folder, std::size_t sizeBytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& failure() const { return m_failure; }
    const std::filesystem::path& path() const { return m_folder; }

    // Writes a file that takes all free space but `freeBytes` (rounded to pages).
    void fillLeaving(std::size_t freeBytes) const;

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
    std::string m_failure;
};

} // namespace purgix::test
