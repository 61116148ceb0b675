#include "support/test_folder.h"
#include "window/qt/qt_window_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace purgix::window {
namespace {

// Runs `act` on the modal dialog as soon as it is up.
template <typename Dialog> void whenShown(std::function<void(Dialog&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

void expectPlainBox(const QMessageBox& box, QMessageBox::StandardButtons buttons)
{
    EXPECT_EQ(box.windowTitle(), "Purgix");
    EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box.standardButtons(), buttons);
}

TEST(QtWindowDesktopTest, InformationIsAPlainOkBox)
{
    whenShown<QMessageBox>([](QMessageBox& box) {
        expectPlainBox(box, QMessageBox::Ok);
        EXPECT_EQ(box.text(), "3 lines deleted.");
        box.button(QMessageBox::Ok)->click();
    });
    QtWindowDesktop().information("3 lines deleted.");
}

TEST(QtWindowDesktopTest, QuestionOffersYesNoCancelWithYesTheDefault)
{
    const std::pair<std::function<void(QMessageBox&)>, Answer> cases[] = {
        {[](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, Answer::Yes},
        {[](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, Answer::No},
        {[](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); }, Answer::Cancel},
    };
    for (const auto& [answer, expected] : cases) {
        whenShown<QMessageBox>([answer](QMessageBox& box) {
            expectPlainBox(box, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
            answer(box);
        });
        EXPECT_EQ(QtWindowDesktop().askYesNoCancel("Save?"), expected);
    }
}

TEST(QtWindowDesktopTest, FileDialogShowsAllFilesAndReturnsTheChoiceOrNothing)
{
    test::TestFolder folder;
    const std::string path = folder.write("no_dot", "x");
    whenShown<QFileDialog>([](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Open");
        EXPECT_EQ(dialog.nameFilters(), QStringList{"All Files (*)"});
        dialog.reject();
    });
    EXPECT_EQ(QtWindowDesktop().chooseFile(), std::nullopt);

    whenShown<QFileDialog>([path](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(path));
        static_cast<QDialog&>(dialog).accept(); // QFileDialog hides accept()
    });
    EXPECT_EQ(QtWindowDesktop().chooseFile(), path);
}

TEST(QtWindowDesktopTest, ClipboardGivesTextAndNothingElse)
{
    QGuiApplication::clipboard()->setText("copied");
    EXPECT_EQ(QtWindowDesktop().clipboardText(), "copied");
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    EXPECT_EQ(QtWindowDesktop().clipboardText(), "");
}

} // namespace
} // namespace purgix::window
