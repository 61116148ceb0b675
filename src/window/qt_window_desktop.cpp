#include "qt_window_desktop.h"

#include <QFile>
#include <QString>

namespace purgix::window {

void QtWindowDesktop::information(const std::string& text)
{
    m_services.messageBoxes.information(m_window, QString::fromLocal8Bit(text));
}

platform::Answer QtWindowDesktop::askYesNoCancel(const std::string& text)
{
    return m_services.messageBoxes.askYesNoCancel(m_window, QString::fromLocal8Bit(text));
}

std::optional<std::string> QtWindowDesktop::chooseFile()
{
    if (const std::optional<QString> path = m_services.fileDialog.chooseFile(m_window)) {
        return QFile::encodeName(*path).toStdString();
    }
    return std::nullopt;
}

std::string QtWindowDesktop::clipboardText()
{
    return m_services.clipboard.text().toLocal8Bit().toStdString();
}

} // namespace purgix::window
