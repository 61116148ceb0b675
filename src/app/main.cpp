#include "window/qt/main_window.h"
#include "window/qt/qt_window_desktop.h"
#include "window/qt/window_start.h"

#include <QApplication>
#include <QIcon>

namespace {

// The desktop entry, icon and metainfo share this id, so docks match the window to them.
constexpr char kApplicationId[] = "io.github.purgix.purgix";

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(purgix::window::kApplicationTitle));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    // The installed icon theme has every size; a program run from its folder brings its own.
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kApplicationId),
                                                 QIcon(QStringLiteral(":/icons/purgix.png"))));

    purgix::window::QtWindowDesktop desktop;
    purgix::window::MainWindow window(
        purgix::window::windowStart(purgix::settings::builtLayout(),
                                    QCoreApplication::applicationDirPath(),
                                    QCoreApplication::arguments().mid(1)),
        desktop);
    desktop.setOwner(&window);
    window.show();
    return QApplication::exec();
}
