#include "platform/files/user_settings_folder.h"

#include "platform/files/wide_text.h"

// <windows.h> must come first.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

namespace purgix::platform {

UserSettingsFolder userSettingsFolder()
{
    wchar_t* folder = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder);
    std::string path = SUCCEEDED(result) ? utf8Text(folder) : std::string();
    ::CoTaskMemFree(folder);
    if (path.empty()) {
        return {{}, "The user's application data folder for purgix.ini is not known."};
    }
    return {path + "\\Purgix", {}};
}

} // namespace purgix::platform
