#include "qt_desktop_services.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace purgix::platform {

namespace {

int showModal(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text, buttons,
                    parent);
    if (buttons.testFlag(QMessageBox::Yes)) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    return box.exec();
}

} // namespace

void QtMessageBoxes::information(QWidget* parent, const QString& text)
{
    showModal(parent, text, QMessageBox::Ok);
}

Answer QtMessageBoxes::askYesNoCancel(QWidget* parent, const QString& text)
{
    switch (showModal(parent, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> QtFileDialog::chooseFile(QWidget* parent)
{
    const QString path = QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(),
                                                      QStringLiteral("All Files (*)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

QString QtClipboard::text() const
{
    return QGuiApplication::clipboard()->text();
}

} // namespace purgix::platform
