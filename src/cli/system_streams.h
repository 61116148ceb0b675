#pragma once

#include "cli/cli_app.h"

namespace purgix::cli {

// The process's own standard streams: std::cout and std::cerr for text, and the
// descriptors (handles) underneath for bytes.
class SystemStreams final : public CliStreams
{
public:
    std::ostream& out() override;
    std::ostream& err() override;
    InputOrFailure openInput() override;
    OutputOrFailure openOutput(bool mayWriteInPlace) override;
};

} // namespace purgix::cli
