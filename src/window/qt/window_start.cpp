#include "window/qt/window_start.h"

#include "window/model/window_model.h"

#include <QDir>
#include <QFile>

namespace purgix::window {

namespace {

// $HOME as it is, bytes included that are not UTF-8; Qt's own answer where it is unset.
std::string homeFolder()
{
    const QByteArray home = qgetenv("HOME");
    return home.isEmpty() ? QFile::encodeName(QDir::homePath()).toStdString() : home.toStdString();
}

} // namespace

WindowStart windowStart(settings::Layout layout, const std::string& programFolder,
                        const std::vector<std::string>& arguments)
{
    WindowStart start;
    start.settings = settings::locateSettings(layout, programFolder);
    start.fileBoxPath = startFileText(start.settings, programFolder, homeFolder(), arguments);
    return start;
}

} // namespace purgix::window
