#include "window/qt/window_font.h"

namespace purgix::window {

QFont windowFont()
{
    // Liberation Sans has Arial's metrics. At 10 pixels (7.5 pt at 96 dpi) "Target strings:"
    // needs 63 x 11 pixels of its 67 x 13 pixel label; the usual 8 pt would be 69 pixels wide.
    // A pixel size keeps the text in step with the layout, which is in pixels too.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(10);
    return font;
}

} // namespace purgix::window
