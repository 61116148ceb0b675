#include "platform/files/detail/temporary_names.h"

#include <cstdint>
#include <random>
#include <string_view>

namespace purgix::platform {

namespace {

// FNV-1a: sixteen hex digits that tell long names apart.
std::string hashOf(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char byte : text) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
    }
    static constexpr std::string_view kDigits = "0123456789abcdef";
    std::string digits(16, '0');
    for (char& digit : digits) {
        digit = kDigits[hash >> 60];
        hash <<= 4;
    }
    return digits;
}

} // namespace

std::string besideFilePrefix(const std::string& name)
{
    // Leaves room for the dots and the random part within 255 bytes (or characters); a
    // longer name is cut and told apart from others that start alike by a hash of it all.
    constexpr std::size_t kMaxNameInPrefix = 200;
    if (name.size() <= kMaxNameInPrefix) {
        return "." + name + ".";
    }
    return "." + name.substr(0, kMaxNameInPrefix - 17) + "~" + hashOf(name) + ".";
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
