#pragma once

#include "answer.h"

class QString;
class QWidget;

namespace purgix::platform {

// Modal message boxes, captioned with the application title and shown without an icon.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // Shows `text` with an OK button and returns once the box is closed.
    virtual void information(QWidget* parent, const QString& text) = 0;
    // Asks `text` with Yes, No and Cancel, Yes being the default button.
    virtual Answer askYesNoCancel(QWidget* parent, const QString& text) = 0;
};

} // namespace purgix::platform
