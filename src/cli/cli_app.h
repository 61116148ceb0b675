#pragma once

#include "platform/files/byte_stream.h"
#include "platform/files/file_error.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <variant>

namespace purgix::cli {

// Standard output as bytes: lines kept by the filter, or deleted lines. What it holds can
// be cut back until finish() sends the last of it.
class ByteOutput : public platform::ByteSink
{
public:
    [[nodiscard]] virtual std::optional<platform::FileError> finish() = 0;
};

using InputOrFailure = std::variant<std::unique_ptr<platform::ByteSource>, platform::FileError>;
using OutputOrFailure = std::variant<std::unique_ptr<ByteOutput>, platform::FileError>;

// What purgix-cli reads and writes besides its files.
class CliStreams
{
public:
    virtual ~CliStreams() = default;
    // Reports and messages, as text.
    virtual std::ostream& out() = 0;
    virtual std::ostream& err() = 0;
    // Standard input as bytes that can be read again from the start.
    virtual InputOrFailure openInput() = 0;
    // Standard output as bytes; `mayWriteInPlace` lets bytes reach a file that standard
    // output names before finish(), otherwise they are held until then.
    virtual OutputOrFailure openOutput(bool mayWriteInPlace) = 0;
};

// Runs purgix-cli on the arguments that follow the program name; returns the exit status
// (0 done, 1 a run failed, 2 bad usage).
int runCli(std::span<const char* const> arguments, CliStreams& streams);

} // namespace purgix::cli
