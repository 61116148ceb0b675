#pragma once

namespace purgix::platform {

// Whether standard error goes to a terminal, where a line may be rewritten in place.
bool standardErrorIsTerminal();

} // namespace purgix::platform
