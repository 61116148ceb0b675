#pragma once

#include <string>

namespace purgix::platform {

struct UserSettingsFolder
{
    std::string path;    // empty when the system names no such folder
    std::string failure; // why `path` is empty
};

// The folder in which an installed Purgix keeps a user's settings: on Linux
// $XDG_CONFIG_HOME/purgix when that variable holds an absolute path (relative or empty
// values are ignored, as the XDG base directory rules ask), else $HOME/.config/purgix;
// on Windows the user's roaming application data folder, %APPDATA%\Purgix.
UserSettingsFolder userSettingsFolder();

} // namespace purgix::platform
