#include "window/qt/qt_window_desktop.h"

#include "window/model/layout_table.h"
#include "window/qt/local_path.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

namespace purgix::window {

namespace {

// A modal box captioned with the application title and shown without an icon.
int showModal(QWidget* owner, const std::string& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle),
                    QString::fromLocal8Bit(text), buttons, owner);
    if (buttons.testFlag(QMessageBox::Yes)) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    return box.exec();
}

} // namespace

void QtWindowDesktop::information(const std::string& text)
{
    showModal(m_owner, text, QMessageBox::Ok);
}

Answer QtWindowDesktop::askYesNoCancel(const std::string& text)
{
    switch (showModal(m_owner, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<std::string> QtWindowDesktop::chooseFile()
{
    // As a URL, which the desktop's own dialog fills from the file's bytes.
    const QUrl url = QFileDialog::getOpenFileUrl(m_owner, QStringLiteral("Open"), QUrl(),
                                                 QStringLiteral("All Files (*)"));
    return localPathBytes(url);
}

std::string QtWindowDesktop::clipboardText()
{
    return QGuiApplication::clipboard()->text().toLocal8Bit().toStdString();
}

} // namespace purgix::window
