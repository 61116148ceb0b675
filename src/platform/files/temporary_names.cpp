#include "temporary_names.h"

#include <random>
#include <string_view>

namespace purgix::platform {

std::string besideFilePrefix(const std::string& name)
{
    // Leaves room for the dots and the random part within 255 bytes (or characters).
    constexpr std::size_t kMaxNameInPrefix = 200;
    return "." + name.substr(0, kMaxNameInPrefix) + ".";
}

std::string randomName()
{
    static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::string name;
    for (int i = 0; i < 6; ++i) {
        name += kAlphabet[device() % kAlphabet.size()];
    }
    return name;
}

} // namespace purgix::platform
