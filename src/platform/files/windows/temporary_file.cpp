#include "unique_file.h"
#include "win32_file_system.h"

#include <random>
#include <string_view>

namespace purgix::platform {

namespace {

constexpr int kNameAttempts = 100;

// Six letters or digits for a name that no one can guess ahead.
std::string randomSuffix()
{
    static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::string suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += kAlphabet[device() % kAlphabet.size()];
    }
    return suffix;
}

} // namespace

UniqueFile::UniqueFile(FileSystem& fileSystem, const std::string& folder, const std::string& name)
    : m_fileSystem(fileSystem)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string path = folder + "\\." + name + "." + randomSuffix();
        const HANDLE handle =
            fileSystem.createFile(path, GENERIC_READ | GENERIC_WRITE | DELETE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = FileHandle(fileSystem, handle);
            // A file system without the mark still has the other ways of removal.
            m_removedOnClose = fileSystem.setRemovedOnClose(handle, true);
            m_path = std::move(path);
            m_removalOnClose = std::make_unique<RemovalOnConsoleClose>(m_path);
            m_creationError = 0;
            return;
        }
        m_creationError = static_cast<int>(::GetLastError());
        if (m_creationError != ERROR_FILE_EXISTS) {
            return;
        }
    }
}

bool UniqueFile::keepOnClose()
{
    if (m_removedOnClose && !m_fileSystem.setRemovedOnClose(m_handle.get(), false)) {
        return false;
    }
    m_removedOnClose = false;
    return true;
}

UniqueFile::~UniqueFile()
{
    m_removalOnClose.reset();
    m_handle.reset();
    if (!m_path.empty() && !m_moved) {
        m_fileSystem.remove(m_path);
    }
}

} // namespace purgix::platform
