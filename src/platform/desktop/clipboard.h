#pragma once

class QString;

namespace purgix::platform {

// Read access to the desktop clipboard.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    // The clipboard's plain text; empty when it holds no text.
    virtual QString text() const = 0;
};

} // namespace purgix::platform
