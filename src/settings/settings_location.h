#pragma once

#include "settings/target_settings.h"

#include <string>
#include <string_view>

namespace purgix::settings {

// How the program was built to live: Portable runs from its own folder (a build tree, an
// unpacked archive) and keeps its targets beside itself; Installed lives in a system folder
// that users cannot write, and keeps them in the user's configuration folder.
enum class Layout { Portable, Installed };

// The layout chosen at build time (CMake option PURGIX_INSTALLED_LAYOUT).
Layout builtLayout();

struct SettingsLocation
{
    std::string file;       // the settings file; empty when no folder can be found for it
    std::string userFolder; // created private (0700) before the first save; empty when unused
    bool besideProgram = false;
    std::string failure; // why `file` is empty
};

// Where the targets are kept. A purgix.ini beside the program always wins. Otherwise a
// portable program keeps them there, and an installed one in the user's settings folder
// (platform::userSettingsFolder(): on Linux $XDG_CONFIG_HOME/purgix or
// $HOME/.config/purgix, on Windows %APPDATA%\Purgix). The program's folder being
// writable decides nothing: root can write a system folder, and must not.
SettingsLocation locateSettings(Layout layout, std::string_view programFolder);

// Saves the targets at `location`, creating its user folder first when it is missing.
[[nodiscard]] SaveResult saveTargetsAt(const SettingsLocation& location, const Targets& targets);

} // namespace purgix::settings
