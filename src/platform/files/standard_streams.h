#pragma once

#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace purgix::platform {

// Whether standard error goes to a terminal, where a line may be rewritten in place.
bool standardErrorIsTerminal();

// Opens the null device on standard input, output or error where the process was started
// with one closed, before any file is opened: a file that took the number of a standard
// stream would otherwise receive what is printed. Nothing to do on Windows.
void occupyClosedStandardStreams();

// Standard input as bytes, with no line end translation and no end-of-file character. A
// regular file (`< file`) is read in place from the offset it had, and a rewind seeks back
// in it. Anything else (a pipe, a terminal, a socket) is read once, as it comes, and kept
// in an unnamed file in the temporary folder: a rewind replays the bytes kept, and reading
// then goes on with standard input. Offsets count from the first byte read. A failure to
// keep what was read is a failed read.
class StandardInput : public ByteSource
{
public:
    using Opened = std::variant<std::unique_ptr<StandardInput>, FileError>;

    // `temporaryFolder` holds the kept bytes.
    [[nodiscard]] static Opened open(const std::string& temporaryFolder);
};

// Standard output as a sink that can cut back what it holds. With `mayWriteInPlace`, a
// regular file that ends where writing starts (`> out`, `>> out`) and is not standard
// input's file is written directly, and a cut truncates it, never below where writing
// started. Anything else (a pipe, a terminal, a device, a file with bytes after the
// offset) gets the bytes only when finish() copies them there from an unnamed file in the
// temporary folder, which holds them meanwhile.
class StandardOutput : public ByteSink
{
public:
    using Opened = std::variant<std::unique_ptr<StandardOutput>, FileError>;

    [[nodiscard]] static Opened open(const std::string& temporaryFolder, bool mayWriteInPlace);

    // Called once, after the last write: copies the held bytes to standard output, or
    // leaves a file written in place with its offset at the end of what was written, where
    // a later write (to standard error too, when it shares the file) lands. A pipe whose
    // reader went away fails it (EPIPE on Linux) without ending the process by a signal.
    [[nodiscard]] virtual std::optional<FileError> finish() = 0;
};

} // namespace purgix::platform
