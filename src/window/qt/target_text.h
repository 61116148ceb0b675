#pragma once

#include <QString>

#include <string>

namespace purgix::window {

// The text a target box shows for a target's bytes (see displayBytes()).
QString displayText(const std::string& bytes);

} // namespace purgix::window
