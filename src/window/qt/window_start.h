#pragma once

#include "settings/settings_location.h"

#include <string>
#include <vector>

namespace purgix::window {

// What the window starts with: where its targets are kept and the file box's first path.
struct WindowStart
{
    settings::SettingsLocation settings;
    std::string fileBoxPath;
};

// The start of a program in `programFolder` built for `layout`. `arguments` are those after
// the program's name; the first, when given, is a file path that the file box starts with,
// so that a file manager can open a file with Purgix. Without it the file box starts on
// "test.txt" in the folder the targets are kept beside: the program's own folder when the
// settings file is there, else the user's home folder. Folders and paths are bytes.
WindowStart windowStart(settings::Layout layout, const std::string& programFolder,
                        const std::vector<std::string>& arguments);

} // namespace purgix::window
