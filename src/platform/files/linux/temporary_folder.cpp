#include "platform/files/temporary_folder.h"

#include "platform/files/detail/temporary_file.h"
#include "platform/files/linux/linux_file_system.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace purgix::platform {

std::string temporaryFolderPath()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? std::string(folder) : std::string("/tmp");
}

TemporaryFolder checkTemporaryFolder(FileSystem& fileSystem, const std::string& folder)
{
    struct stat status = {};
    if (fileSystem.stat(AT_FDCWD, folder, status, 0) != 0 || !S_ISDIR(status.st_mode)) {
        return TemporaryFolder::NotAFolder;
    }
    const TemporaryFile probe(fileSystem, noHandle(), folder, "tmp");
    return probe.isOpen() ? TemporaryFolder::Usable : TemporaryFolder::NoNewFile;
}

} // namespace purgix::platform
