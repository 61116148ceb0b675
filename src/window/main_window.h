#pragma once

#include "desktop_services.h"
#include "layout_table.h"
#include "window_start.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QPushButton;

namespace purgix::window {

class ClickableLabel;

using TargetTexts = std::array<std::string, kTargetRows>;

// The program's one window, `Form1`. Every control comes from the layout table and keeps
// its name as objectName; elements of a control array ("txtTarget", "paste") share their
// objectName and carry their element number in the dynamic property "index".
//
// The window keeps all state in its controls, plus the change flag `tag()`: "0" while the
// target boxes hold what was loaded, "1" once any of them changed.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    // `start` says where the targets are kept and what the file box starts with.
    MainWindow(WindowStart start, platform::DesktopServices services, QWidget* parent = nullptr);

    const QString& tag() const { return m_tag; }

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

    void formLoad();
    void loadTargets();
    bool saveTargets();
    TargetTexts targetTexts() const;

    void txtTargetChange(int index);
    void cmdPurgixClick();
    void takeInputHeldDuringRun();
    void browseClick();
    void pasteClick(int index);
    void command1Click();
    void label1Click();
    void label2Click();
    bool handleFileDrag(QEvent* event);

    WindowStart m_start;
    platform::DesktopServices m_services;
    QString m_tag = QStringLiteral("0");
    bool m_runInProgress = false;
    bool m_closeAfterRun = false;

    QLineEdit* m_txtFile = nullptr;
    std::array<QLineEdit*, kTargetRows> m_txtTarget{};
    // The bytes each target box was loaded from, until the box changes: matched and saved
    // as they are, since the text shown for bytes that are not UTF-8 does not give them back.
    std::array<std::optional<std::string>, kTargetRows> m_loadedBytes{};
    std::array<QPushButton*, kTargetRows> m_paste{};
    QPushButton* m_browse = nullptr;
    QPushButton* m_cmdPurgix = nullptr;
    QPushButton* m_command1 = nullptr;
    ClickableLabel* m_label1 = nullptr;
    ClickableLabel* m_label2 = nullptr;
};

} // namespace purgix::window
