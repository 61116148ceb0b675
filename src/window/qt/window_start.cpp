#include "window/qt/window_start.h"

#include "window/model/window_model.h"

#include <QDir>
#include <QFile>

#include <string>
#include <vector>

namespace purgix::window {

WindowStart windowStart(settings::Layout layout, const QString& programFolder,
                        const QStringList& arguments)
{
    const std::string folder = QFile::encodeName(programFolder).toStdString();
    std::vector<std::string> texts;
    for (const QString& argument : arguments) {
        texts.push_back(QFile::encodeName(argument).toStdString());
    }
    WindowStart start;
    start.settings = settings::locateSettings(layout, folder);
    start.fileBoxText = QFile::decodeName(QByteArray::fromStdString(startFileText(
        start.settings, folder, QFile::encodeName(QDir::homePath()).toStdString(), texts)));
    return start;
}

} // namespace purgix::window
