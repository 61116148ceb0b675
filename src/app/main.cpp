#include "main_window.h"
#include "qt_desktop_services.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(purgix::platform::kApplicationTitle));

    purgix::platform::QtMessageBoxes messageBoxes;
    purgix::platform::QtFileDialog fileDialog;
    purgix::platform::QtClipboard clipboard;
    purgix::window::MainWindow window(QCoreApplication::applicationDirPath(),
                                      {messageBoxes, fileDialog, clipboard});
    window.show();
    return QApplication::exec();
}
