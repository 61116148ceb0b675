#include "target_text.h"

#include "display_bytes.h"

namespace purgix::window {

QString displayText(const std::string& bytes)
{
    return QString::fromStdString(displayBytes(bytes));
}

} // namespace purgix::window
