#pragma once

#include "window/model/window_desktop.h"

class QWidget;

namespace purgix::window {

// The desktop's message boxes, open-file dialog and clipboard through Qt, owned by one
// window. Texts cross between bytes and QString here: messages and clipboard text in the
// locale's encoding, paths as the file system names them.
class QtWindowDesktop final : public WindowDesktop
{
public:
    // The window that owns the dialogs, once it exists.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void information(const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    // Shows all files: a "*.*" filter would hide the many Linux files without a dot.
    std::optional<std::string> chooseFile() override;
    std::string clipboardText() override;

private:
    QWidget* m_owner = nullptr;
};

} // namespace purgix::window
