#include "path_names.h"

#include "file_system.h"

#include <cerrno>

namespace purgix::platform {

std::string parentFolder(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    const auto end = path.find_last_not_of('/', slash);
    return end == std::string::npos ? "/" : path.substr(0, end + 1);
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

std::optional<std::string> resolvedPath(FileSystem& fileSystem, const std::string& path)
{
    std::string resolved = fileSystem.realPath(path);
    if (!resolved.empty()) {
        return resolved;
    }
    if (errno == ENOENT) {
        return path;
    }
    return std::nullopt;
}

} // namespace purgix::platform
