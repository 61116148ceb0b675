#pragma once

#include "core/targets.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace purgix::fuzz {

// One fuzz input read as a run's ingredients. Layout: a byte for the buffer size
// (1 to 64), two knob bytes each target reads its own way, a byte giving the number of
// slots filled (0 to 10), then each slot as a length byte and that many bytes (length 0
// is an empty slot), and the rest is the file body.
struct FuzzCase
{
    std::size_t bufferSize = 1;
    std::array<std::uint8_t, 2> knobs{};
    Targets slots;
    std::string body;
};

FuzzCase parseFuzzCase(const std::uint8_t* data, std::size_t size);

// Shows bytes with control and non-ASCII bytes escaped, for failure reports; long
// texts are cut.
std::string escaped(const std::string& bytes);

// Prints what differed and aborts, so that libFuzzer keeps the input as a finding.
[[noreturn]] void reportMismatch(const std::string& what, const FuzzCase& input,
                                 const std::string& expected, const std::string& actual);

} // namespace purgix::fuzz
