#include "platform/files/byte_stream.h"

#include <cerrno>

namespace purgix::platform {

int writeAll(ByteSink& sink, std::string_view data)
{
    while (!data.empty()) {
        const std::ptrdiff_t written = sink.write(data.data(), data.size());
        if (written < 0) {
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace purgix::platform
