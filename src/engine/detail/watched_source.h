#pragma once

#include "engine/run_control.h"
#include "platform/files/byte_stream.h"

namespace purgix::engine {

// The old content as a run reads it, reporting each block to a RunControl and failing the
// next read (ECANCELED) once a stop is requested, so that the filter ends at that block.
class WatchedSource final : public platform::ByteSource
{
public:
    WatchedSource(platform::ByteSource& source, RunControl* control)
        : m_source(source), m_control(control)
    {
    }

    std::ptrdiff_t read(char* buffer, std::size_t size) override;
    std::int64_t offset() const override { return m_source.offset(); }
    bool rewindTo(std::int64_t offset) override { return m_source.rewindTo(offset); }

    // Whether a read was refused because a stop was requested.
    bool stopped() const { return m_stopped; }

private:
    platform::ByteSource& m_source;
    RunControl* m_control;
    bool m_stopped = false;
};

} // namespace purgix::engine
