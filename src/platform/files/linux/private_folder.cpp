#include "platform/files/private_folder.h"

#include <cerrno>
#include <sys/stat.h>

namespace purgix::platform {

std::optional<FileError> createPrivateFolder(const std::string& path)
{
    // Each prefix that ends before a '/' is a parent; the whole path comes last.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return FileError::cannot("create the folder", folder, errno);
        }
        if (end == std::string::npos) {
            return std::nullopt;
        }
    }
}

} // namespace purgix::platform
