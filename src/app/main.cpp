#include "platform/files/program_arguments.h"
#include "platform/files/program_folder.h"
#include "window/model/window_model.h"
#include "window/qt/main_window.h"
#include "window/qt/qt_window_desktop.h"
#include "window/qt/window_start.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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

    // Qt has taken its own options out of argv; the rest are bytes, as the system gave them.
    const std::vector<std::string> arguments = purgix::platform::programArguments(argc, argv);
    if (const std::optional<std::string> reply = purgix::window::commandLineReply(arguments)) {
        std::fputs(reply->c_str(), stdout);
        return 0;
    }
    purgix::window::QtWindowDesktop desktop;
    purgix::window::MainWindow window(purgix::window::windowStart(purgix::settings::builtLayout(),
                                                                  purgix::platform::programFolder(),
                                                                  arguments),
                                      desktop);
    desktop.setOwner(&window);
    window.show();
    return QApplication::exec();
}
