#include "window/qt/window_font.h"

#include <QFontMetrics>

namespace purgix::window {

QFont windowFont()
{
    // Liberation Sans has Arial's metrics. At 10 pixels (7.5 pt at 96 dpi) "Target strings:"
    // needs 63 x 11 pixels of its 67 x 13 pixel label; the usual 8 pt would be 69 pixels wide.
    // A pixel size keeps the text in step with the layout, which is in pixels too.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(10);
    // Without Liberation Sans the system's sans-serif font stands in, a pixel smaller while
    // that caption would not fit its label (DejaVu Sans needs 71 pixels at 10, 64 at 9).
    font.setStyleHint(QFont::SansSerif);
    const QString widest = QStringLiteral("Target strings:");
    for (int size = 9; size >= 7 && QFontMetrics(font).horizontalAdvance(widest) > 67; --size) {
        font.setPixelSize(size);
    }
    return font;
}

} // namespace purgix::window
