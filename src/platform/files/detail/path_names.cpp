#include "platform/files/detail/path_names.h"

#include <string_view>

namespace purgix::platform {

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
constexpr char kSeparator = '\\';
#else
constexpr std::string_view kSeparators = "/";
constexpr char kSeparator = '/';
#endif

// The length of a root such as "/", "C:\" or "C:", which keeps its separator.
std::size_t rootLength(const std::string& path)
{
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') {
        return path.size() >= 3 && kSeparators.find(path[2]) != std::string_view::npos ? 3 : 2;
    }
#endif
    return !path.empty() && kSeparators.find(path[0]) != std::string_view::npos ? 1 : 0;
}

} // namespace

std::string parentFolder(const std::string& path)
{
    const auto separator = path.find_last_of(kSeparators);
    if (separator == std::string::npos) {
        return rootLength(path) > 0 ? path.substr(0, rootLength(path)) : ".";
    }
    const auto end = path.find_last_not_of(kSeparators, separator);
    const std::size_t root = rootLength(path);
    if (end == std::string::npos || end + 1 < root) {
        return path.substr(0, root);
    }
    return path.substr(0, end + 1);
}

std::string baseName(const std::string& path)
{
    const auto separator = path.find_last_of(kSeparators);
    if (separator == std::string::npos) {
        return path.substr(rootLength(path));
    }
    return path.substr(separator + 1);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && kSeparators.find(folder.back()) != std::string_view::npos) {
        return folder + name;
    }
    return folder + kSeparator + name;
}

} // namespace purgix::platform
