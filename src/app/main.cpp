#include "main_window.h"
#include "qt_desktop_services.h"
#include "window_start.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(purgix::platform::kApplicationTitle));

    purgix::platform::QtMessageBoxes messageBoxes;
    purgix::platform::QtFileDialog fileDialog;
    purgix::platform::QtClipboard clipboard;
    purgix::window::MainWindow window(
        purgix::window::windowStart(purgix::settings::builtLayout(),
                                    QCoreApplication::applicationDirPath(),
                                    QCoreApplication::arguments().mid(1)),
        {messageBoxes, fileDialog, clipboard});
    window.show();
    return QApplication::exec();
}
