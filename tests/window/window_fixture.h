#pragma once

#include "desktop_services.h"
#include "main_window.h"
#include "test_folder.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

// Lets failing expectations print Qt strings.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace purgix::test {

// Records every message box and answers questions from a script.
struct FakeMessageBoxes final : platform::MessageBoxes
{
    QStringList shown;
    std::deque<platform::Answer> answers;
    std::function<void()> whileShown;

    void information(QWidget* parent, const QString& text) override;
    platform::Answer askYesNoCancel(QWidget* parent, const QString& text) override;
};

struct FakeFileDialog final : platform::FileDialog
{
    std::optional<QString> choice;
    std::optional<QString> chooseFile(QWidget*) override { return choice; }
};

struct FakeClipboard final : platform::Clipboard
{
    QString content;
    QString text() const override { return content; }
};

inline const QString kQuestion = QStringLiteral("Save changed search strings?");

// Drives a real window, shown and active, over a fresh program folder.
class WindowTest : public testing::Test
{
protected:
    QString folderPath() const { return QString::fromStdString(m_folder.path().string()); }
    // Opens a new window; the settings file, if any, must be written before.
    window::MainWindow& open(window::WindowStart start);
    window::MainWindow& open(const QString& programFolder);
    window::MainWindow& open() { return open(folderPath()); }

    // A control by its objectName and, for control arrays, its "index" property.
    QWidget* control(const char* name, int index = -1) const;
    QLineEdit* fileBox() const { return qobject_cast<QLineEdit*>(control("txtFile")); }
    QLineEdit* target(int index) const;
    void click(const char* name, int index = -1) const;
    QStringList targetTexts() const;
    // Drags `data` over `onto` and drops it there, as the desktop would; true when taken.
    static bool drop(QWidget* onto, const QMimeData& data);

    TestFolder m_folder;
    FakeMessageBoxes m_boxes;
    FakeFileDialog m_dialog;
    FakeClipboard m_clipboard;
    std::unique_ptr<window::MainWindow> m_window;
};

} // namespace purgix::test
