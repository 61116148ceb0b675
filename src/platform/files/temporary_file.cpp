#include "temporary_file.h"

#include "file_system.h"
#include "path_names.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace purgix::platform {

std::string temporaryFolderPath()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? std::string(folder) : std::string("/tmp");
}

std::string besideFilePrefix(const std::string& path)
{
    // Leaves room for the dots and the six unique characters within NAME_MAX.
    constexpr std::size_t kMaxNameInPrefix = 200;
    std::string prefix = ".";
    prefix += baseName(path).substr(0, kMaxNameInPrefix);
    prefix += '.';
    return prefix;
}

TemporaryFile::TemporaryFile(FileSystem& fileSystem, const std::string& folder,
                             std::string_view prefix)
    : m_fileSystem(fileSystem), m_folder(folder),
      m_path(joinPath(folder, std::string(prefix) + "XXXXXX"))
{
    const int fd = m_fileSystem.createUnique(m_path);
    if (fd < 0) {
        m_creationError = errno;
        return;
    }
    m_fd = FileDescriptor(m_fileSystem, fd);
}

TemporaryFile::~TemporaryFile()
{
    if (isOpen() && !m_moved) {
        m_fileSystem.unlink(m_path);
    }
}

int TemporaryFile::rewind()
{
    if (m_fileSystem.truncate(fd(), 0) != 0 || m_fileSystem.seek(fd(), 0, SEEK_SET) != 0) {
        return errno;
    }
    return 0;
}

int TemporaryFile::moveOver(const std::string& destination)
{
    if (m_fileSystem.rename(m_path, destination) != 0) {
        return errno;
    }
    m_moved = true;
    return 0;
}

} // namespace purgix::platform
