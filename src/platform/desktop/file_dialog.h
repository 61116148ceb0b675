#pragma once

#include <optional>

class QString;
class QWidget;

namespace purgix::platform {

// The desktop's open-file dialog.
class FileDialog
{
public:
    virtual ~FileDialog() = default;

    // The full path of the file the user chose, or nothing when the dialog was cancelled.
    virtual std::optional<QString> chooseFile(QWidget* parent) = 0;
};

} // namespace purgix::platform
