#include "platform/files/program_arguments.h"
#include "platform/files/program_folder.h"
#include "settings/settings_location.h"
#include "window/win32/win32_main_window.h"
#include "window/win32/win32_window_desktop.h"

int main(int argc, char* argv[])
{
    using namespace purgix;
    const std::string folder = platform::programFolder();
    const settings::SettingsLocation settings =
        settings::locateSettings(settings::builtLayout(), folder);
    window::Win32WindowDesktop desktop;
    window::Win32MainWindow window(settings, desktop);
    desktop.setOwner(window.native().handle());
    // The installed layout's default folder is the program's own as well: a user's home
    // folder holds no files to clean on Windows.
    window.load(
        window::startFileText(settings, folder, folder, platform::programArguments(argc, argv)));
    window.native().show();
    window.native().run();
    return 0;
}
