#pragma once

#include "support/test_folder.h"
#include "window/model/fake_window_desktop.h"
#include "window/qt/main_window.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Lets failing expectations print Qt strings.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace purgix::test {

using Messages = std::vector<std::string>;

// Drives a real window, shown and active, over a fresh program folder.
class WindowTest : public testing::Test
{
protected:
    QString folderPath() const { return QString::fromStdString(m_folder.path().string()); }
    // Opens a new window, by default over the test folder as the program's folder; the
    // settings file, if any, must be written before.
    window::MainWindow& open();
    window::MainWindow& open(window::WindowStart start);

    // A control by its objectName and, for control arrays, its "index" property.
    QWidget* control(const char* name, int index = -1) const;
    QLineEdit* fileBox() const { return qobject_cast<QLineEdit*>(control("txtFile")); }
    QLineEdit* target(int index) const;
    void click(const char* name, int index = -1) const;
    QStringList targetTexts() const;
    // Drags `data` over `onto` and drops it there, as the desktop would; true when taken.
    static bool drop(QWidget* onto, const QMimeData& data);

    TestFolder m_folder;
    FakeDesktop m_desktop;
    std::unique_ptr<window::MainWindow> m_window;
};

} // namespace purgix::test
