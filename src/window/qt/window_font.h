#pragma once

#include <QFont>

namespace purgix::window {

// The font every caption of the window is drawn in.
QFont windowFont();

} // namespace purgix::window
