#include "fuzz_input.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace purgix::fuzz {

namespace {

constexpr std::size_t kMaxBufferSize = 64;
constexpr std::size_t kMaxShownBytes = 4096;

class ByteReader
{
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t next() { return m_position < m_size ? m_data[m_position++] : 0; }

    std::string take(std::size_t count)
    {
        count = std::min(count, m_size - m_position);
        std::string bytes(reinterpret_cast<const char*>(m_data + m_position), count);
        m_position += count;
        return bytes;
    }

    std::string rest() { return take(m_size - m_position); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace

FuzzCase parseFuzzCase(const std::uint8_t* data, std::size_t size)
{
    ByteReader reader(data, size);
    FuzzCase input;
    input.bufferSize = 1 + reader.next() % kMaxBufferSize;
    input.knobs = {reader.next(), reader.next()};
    const std::size_t filledSlots = reader.next() % (kTargetCount + 1);
    for (std::size_t slot = 0; slot < filledSlots; ++slot) {
        input.slots[slot] = reader.take(reader.next());
    }
    input.body = reader.rest();
    return input;
}

std::string escaped(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes.substr(0, kMaxShownBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            text += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        text += code;
    }
    if (bytes.size() > kMaxShownBytes) {
        text += "... (" + std::to_string(bytes.size()) + " bytes)";
    }
    return text;
}

void reportMismatch(const std::string& what, const FuzzCase& input, const std::string& expected,
                    const std::string& actual)
{
    std::fprintf(stderr, "MISMATCH in %s (buffer size %zu, knobs %u %u)\n", what.c_str(),
                 input.bufferSize, input.knobs[0], input.knobs[1]);
    for (std::size_t slot = 0; slot < input.slots.size(); ++slot) {
        std::fprintf(stderr, "  slot %zu: \"%s\"\n", slot, escaped(input.slots[slot]).c_str());
    }
    std::fprintf(stderr, "  body:     \"%s\"\n", escaped(input.body).c_str());
    std::fprintf(stderr, "  expected: \"%s\"\n", escaped(expected).c_str());
    std::fprintf(stderr, "  actual:   \"%s\"\n", escaped(actual).c_str());
    std::abort();
}

} // namespace purgix::fuzz
