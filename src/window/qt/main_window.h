#pragma once

#include "window/model/layout_table.h"
#include "window/model/window_model.h"
#include "window/model/window_view.h"
#include "window/qt/window_start.h"

#include <QString>
#include <QWidget>

#include <array>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QPushButton;

namespace purgix::window {

class ClickableLabel;

// The program's one window, `Form1`, as Qt widgets over the window model. Every control
// comes from the layout table and keeps its name as objectName; elements of a control
// array ("txtTarget", "paste") share their objectName and carry their element number in
// the dynamic property "index".
class MainWindow : public QWidget, private WindowView
{
    Q_OBJECT

public:
    // `start` says where the targets are kept and what the file box starts with; `desktop`
    // shows the window's messages and dialogs and must outlive it.
    MainWindow(WindowStart start, WindowDesktop& desktop, QWidget* parent = nullptr);

    // The change flag: "0" while the target boxes hold what was loaded, "1" once any of
    // them changed.
    QString tag() const { return m_model.changed() ? QStringLiteral("1") : QStringLiteral("0"); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* createControl(const LayoutRow& row);
    QLineEdit* newTextBox(const QString& text);
    void applyTabOrder(std::vector<std::pair<int, QWidget*>> tabStops);
    void connectHandlers();
    bool handleFileDrag(QEvent* event);

    std::string fileText() const override;
    void setFileText(const std::string& text) override;
    std::string targetText(int index) const override;
    void setTargetText(int index, const std::string& text) override;
    void focusFile() override;
    void focusTarget(int index) override;
    void showWaitState() override;
    void waitForRun(BackgroundRun& run) override;
    void takeHeldInput() override;
    void hideWaitState() override;
    void requestClose() override { QWidget::close(); }

    WindowModel m_model;

    QLineEdit* m_txtFile = nullptr;
    std::array<QLineEdit*, kTargetCount> m_txtTarget{};
    std::array<QPushButton*, kTargetCount> m_paste{};
    QPushButton* m_browse = nullptr;
    QPushButton* m_cmdPurgix = nullptr;
    QPushButton* m_command1 = nullptr;
    ClickableLabel* m_label1 = nullptr;
    ClickableLabel* m_label2 = nullptr;
};

} // namespace purgix::window
