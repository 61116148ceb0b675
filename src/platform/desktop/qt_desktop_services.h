#pragma once

#include "desktop_services.h"

namespace purgix::platform {

class QtMessageBoxes final : public MessageBoxes
{
public:
    void information(QWidget* parent, const QString& text) override;
    Answer askYesNoCancel(QWidget* parent, const QString& text) override;
};

// Shows all files: a "*.*" filter would hide the many Linux files without a dot.
class QtFileDialog final : public FileDialog
{
public:
    std::optional<QString> chooseFile(QWidget* parent) override;
};

class QtClipboard final : public Clipboard
{
public:
    QString text() const override;
};

} // namespace purgix::platform
