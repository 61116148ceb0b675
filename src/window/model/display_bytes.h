#pragma once

#include <string>

namespace purgix::window {

// How a box shows bytes: as UTF-8 when they are UTF-8; otherwise, as in a file saved in an
// 8-bit code page, one character per byte (Latin-1), so that "\xE9t\xE9" reads "été"
// rather than three replacement marks.
enum class BoxEncoding { Utf8, OneCharPerByte };

BoxEncoding encodingFor(const std::string& bytes);

// The UTF-8 text a box shows for `bytes`.
std::string displayBytes(const std::string& bytes);

// The bytes a box's UTF-8 text stands for. One character per byte maps every character up to
// U+00FF back to its byte; a character beyond, which the user typed or pasted, has no byte
// of its own and is kept as its UTF-8 bytes.
std::string bytesFromDisplay(const std::string& text, BoxEncoding encoding);

} // namespace purgix::window
