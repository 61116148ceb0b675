#include "platform/files/program_folder.h"

#include <filesystem>
#include <system_error>

namespace purgix::platform {

const char kFolderSeparator = '/';

std::string programFolder()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return executable.parent_path().string();
}

} // namespace purgix::platform
