#pragma once

#include "settings/settings_location.h"

#include <QString>
#include <QStringList>

namespace purgix::window {

// What the window starts with: where its targets are kept and the file box's first text.
struct WindowStart
{
    settings::SettingsLocation settings;
    QString fileBoxText;
};

// The start of a program in `programFolder` built for `layout`. `arguments` are those after
// the program's name; the first, when given, is a file path that the file box starts with,
// so that a file manager can open a file with Purgix. Without it the file box starts on
// "test.txt" in the folder the targets are kept beside: the program's own folder when the
// settings file is there, else the user's home folder.
WindowStart windowStart(settings::Layout layout, const QString& programFolder,
                        const QStringList& arguments);

} // namespace purgix::window
