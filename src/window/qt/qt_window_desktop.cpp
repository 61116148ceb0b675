#include "window/qt/qt_window_desktop.h"

#include "window/model/layout_table.h"

#include <QClipboard>
#include <QFile>
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
    const QString path = QFileDialog::getOpenFileName(m_owner, QStringLiteral("Open"), QString(),
                                                      QStringLiteral("All Files (*)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(path).toStdString();
}

std::string QtWindowDesktop::clipboardText()
{
    return QGuiApplication::clipboard()->text().toLocal8Bit().toStdString();
}

} // namespace purgix::window
