#pragma once

#include <string>

namespace purgix::window {

// How a box shows bytes: as UTF-8 when they are UTF-8; otherwise, as in a file saved in an
// 8-bit code page, one character per byte (Latin-1), so that "\xE9t\xE9" reads "été"
// rather than three replacement marks.
// Targets on Windows are in the system's ANSI code page, as Windows programs keep text.
enum class BoxEncoding { Utf8, OneCharPerByte, SystemCodePage };

// How the file box shows a path: UTF-8, or one character per byte.
BoxEncoding encodingFor(const std::string& bytes);
// How a target box shows a target's bytes: in the system's code page where there is one,
// else as a path.
BoxEncoding targetEncodingFor(const std::string& bytes);
// How a target box holds text typed or pasted into it.
BoxEncoding typedTargetEncoding();

// The UTF-8 text a box shows for `bytes`.
std::string displayBytes(const std::string& bytes, BoxEncoding encoding);

// The bytes a box's UTF-8 text stands for. One character per byte maps every character up to
// U+00FF back to its byte; a character beyond, which the user typed or pasted, has no byte
// of its own and is kept as its UTF-8 bytes.
std::string bytesFromDisplay(const std::string& text, BoxEncoding encoding);

} // namespace purgix::window
