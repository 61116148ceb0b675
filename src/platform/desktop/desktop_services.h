#pragma once

#include "clipboard.h"
#include "file_dialog.h"
#include "message_boxes.h"

namespace purgix::platform {

// The desktop services a window uses; the caller keeps them alive while the window lives.
struct DesktopServices
{
    MessageBoxes& messageBoxes;
    FileDialog& fileDialog;
    Clipboard& clipboard;
};

} // namespace purgix::platform
