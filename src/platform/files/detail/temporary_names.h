#pragma once

#include <string>

namespace purgix::platform {

// The prefix of a temporary file beside the file named `name`: ".<name>.", so that a
// file left by a power cut is hidden and still shows which file it belongs to. Long
// names are cut, so that the prefix and a random part stay within a name's limit, and
// end in a hash of the whole name, so that two names never share a prefix.
std::string besideFilePrefix(const std::string& name);

// Six letters or digits that no one can guess ahead, for a new file's name. Lower case
// only, as Windows does not tell cases apart.
std::string randomName();

} // namespace purgix::platform
