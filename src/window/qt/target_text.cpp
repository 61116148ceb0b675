#include "window/qt/target_text.h"

#include "window/model/display_bytes.h"

namespace purgix::window {

QString displayText(const std::string& bytes)
{
    return QString::fromStdString(displayBytes(bytes));
}

} // namespace purgix::window
