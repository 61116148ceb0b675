#include "support/system_environment.h"

#include <filesystem>
#include <random>
#include <stdlib.h>
#include <system_error>
#include <windows.h>

namespace purgix::test {

const char* const kTemporaryFolderVariable = "TMP";

void setEnvironment(const std::string& name, const std::optional<std::string>& value)
{
    // An empty value removes the variable.
    ::_putenv_s(name.c_str(), value ? value->c_str() : "");
}

bool createUniqueFolder(std::string& pattern)
{
    std::random_device device;
    const std::string stem = pattern.substr(0, pattern.size() - 6);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + std::to_string(device() % 1000000);
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            pattern = std::move(candidate);
            return true;
        }
    }
    return false;
}

HeldLock::HeldLock(const std::string& path)
    : m_handle(reinterpret_cast<std::intptr_t>(::CreateFileA(
          path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)))
{
    // The byte far past any content that runs lock.
    OVERLAPPED range = {};
    range.OffsetHigh = 0x7FFFFFFF;
    ::LockFileEx(reinterpret_cast<HANDLE>(m_handle), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range);
}

HeldLock::~HeldLock()
{
    ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

} // namespace purgix::test
