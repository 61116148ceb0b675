#include "window/model/display_bytes.h"

#include "platform/files/code_page.h"

#include <algorithm>
#include <cstddef>

namespace purgix::window {

namespace {

// The length of the UTF-8 sequence that starts at `at`, or 0 when it is not one: no
// overlong forms, no surrogates, nothing beyond U+10FFFF.
std::size_t sequenceLength(const std::string& bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return at + i < bytes.size() ? static_cast<unsigned char>(bytes[at + i]) : 0U;
    };
    const auto follows = [&](std::size_t i, unsigned low, unsigned high) {
        return byte(i) >= low && byte(i) <= high;
    };
    const unsigned lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return follows(1, 0x80, 0xBF) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
        return follows(1, low, high) && follows(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return follows(1, low, high) && follows(2, 0x80, 0xBF) && follows(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

bool isUtf8(const std::string& bytes)
{
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

} // namespace

BoxEncoding encodingFor(const std::string& bytes)
{
    return isUtf8(bytes) ? BoxEncoding::Utf8 : BoxEncoding::OneCharPerByte;
}

BoxEncoding targetEncodingFor(const std::string& bytes)
{
    return platform::hasAnsiCodePage() ? BoxEncoding::SystemCodePage : encodingFor(bytes);
}

BoxEncoding typedTargetEncoding()
{
    return platform::hasAnsiCodePage() ? BoxEncoding::SystemCodePage : BoxEncoding::Utf8;
}

std::string displayBytes(const std::string& bytes, BoxEncoding encoding)
{
    if (encoding == BoxEncoding::Utf8) {
        return bytes;
    }
    if (encoding == BoxEncoding::SystemCodePage) {
        return platform::textFromAnsiCodePage(bytes);
    }
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string bytesFromDisplay(const std::string& text, BoxEncoding encoding)
{
    if (encoding == BoxEncoding::Utf8) {
        return text;
    }
    if (encoding == BoxEncoding::SystemCodePage) {
        return platform::ansiCodePageBytes(text);
    }
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = std::max<std::size_t>(sequenceLength(text, at), 1);
        if (length == 2 && lead <= 0xC3) {
            const auto next = static_cast<unsigned char>(text[at + 1]);
            bytes += static_cast<char>(((lead & 0x1F) << 6) | (next & 0x3F));
        } else {
            bytes.append(text, at, length);
        }
        at += length;
    }
    return bytes;
}

} // namespace purgix::window
