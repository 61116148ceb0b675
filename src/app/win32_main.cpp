#include "platform/files/program_arguments.h"
#include "platform/files/program_folder.h"
#include "settings/settings_location.h"
#include "window/win32/win32_main_window.h"
#include "window/win32/win32_window_desktop.h"

#include <optional>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    using namespace purgix;
    const std::vector<std::string> arguments = platform::programArguments(argc, argv);
    window::Win32WindowDesktop desktop;
    // A window program has no console to print to: the answer shows in a message box.
    if (const std::optional<std::string> reply = window::commandLineReply(arguments)) {
        desktop.information(*reply);
        return 0;
    }
    const std::string folder = platform::programFolder();
    const settings::SettingsLocation settings =
        settings::locateSettings(settings::builtLayout(), folder);
    window::Win32MainWindow window(settings, desktop);
    desktop.setOwner(window.native().handle());
    // The installed layout's default folder is the program's own as well: a user's home
    // folder holds no files to clean on Windows.
    window.load(window::startFileText(settings, folder, folder, arguments));
    window.native().show();
    window.native().run();
    return 0;
}
