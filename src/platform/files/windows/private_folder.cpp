#include "platform/files/private_folder.h"

#include "platform/files/wide_text.h"

#include <windows.h>

namespace purgix::platform {

std::optional<FileError> createPrivateFolder(const std::string& path)
{
    // The user's profile folders are private to the user already, and a new folder
    // inherits their access rules. Each prefix that ends before a separator is a parent;
    // a drive's root ("C:\") is not one to create.
    const bool drive = path.size() > 2 && path[1] == ':';
    std::size_t end = path.find_first_of("\\/", drive ? 3 : 1);
    for (;; end = path.find_first_of("\\/", end + 1)) {
        const std::string folder = path.substr(0, end);
        if (::CreateDirectoryW(wideText(folder).c_str(), nullptr) == 0 &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return FileError::cannot("create the folder", folder,
                                     static_cast<int>(::GetLastError()));
        }
        if (end == std::string::npos) {
            return std::nullopt;
        }
    }
}

} // namespace purgix::platform
