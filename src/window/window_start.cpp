#include "window_start.h"

#include <QDir>
#include <QFile>

namespace purgix::window {

namespace {

QString testFileIn(const QString& folder)
{
    const QChar separator = QLatin1Char('/');
    return folder + (folder.endsWith(separator) ? QString() : QString(separator)) +
           QStringLiteral("test.txt");
}

} // namespace

WindowStart windowStart(settings::Layout layout, const QString& programFolder,
                        const QStringList& arguments)
{
    WindowStart start;
    start.settings =
        settings::locateSettings(layout, QFile::encodeName(programFolder).toStdString());
    if (!arguments.isEmpty()) {
        start.fileBoxText = arguments.front();
    } else {
        start.fileBoxText =
            testFileIn(start.settings.besideProgram ? programFolder : QDir::homePath());
    }
    return start;
}

} // namespace purgix::window
