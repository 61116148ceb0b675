#include "main_window.h"
#include "target_text.h"

#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>

namespace purgix::window {

std::string MainWindow::fileText() const
{
    return QFile::encodeName(m_txtFile->text()).toStdString();
}

void MainWindow::setFileText(const std::string& text)
{
    m_txtFile->setText(QFile::decodeName(QByteArray::fromStdString(text)));
}

std::string MainWindow::targetText(int index) const
{
    return m_txtTarget.at(index)->text().toLocal8Bit().toStdString();
}

void MainWindow::setTargetText(int index, const std::string& bytes)
{
    m_txtTarget.at(index)->setText(displayText(bytes));
}

void MainWindow::focusFile()
{
    m_txtFile->setFocus(Qt::MouseFocusReason);
}

void MainWindow::focusTarget(int index)
{
    m_txtTarget.at(index)->setFocus(Qt::MouseFocusReason);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->setAccepted(m_model.closeRequested());
}

} // namespace purgix::window
