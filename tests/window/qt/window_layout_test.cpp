#include "window/qt/window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>

#include <vector>

namespace purgix::test {
namespace {

struct Place
{
    const char* name;
    int index;
    QRect twips;
    const char* text;
};

std::vector<Place> expectedPlaces()
{
    std::vector<Place> places = {
        {"Label2", -1, {0, 240, 735, 255}, "File:"},
        {"txtFile", -1, {840, 240, 4815, 285}, nullptr},
        {"Browse", -1, {5880, 120, 1215, 375}, "&Browse"},
        {"cmdPurgix", -1, {5880, 600, 1215, 375}, "&Purgix"},
        {"Command1", -1, {2400, 600, 1335, 375}, "Clear all targets"},
        {"Label1", 1, {0, 1080, 1005, 195}, "Target strings:"},
    };
    for (int i = 0; i < 10; ++i) {
        places.push_back({"txtTarget", i, {1080, 1080 + 360 * i, 4575, 285}, "127.0.0.1"});
        places.push_back({"paste", i, {5880, 1080 + 360 * i, 1215, 255}, "P&aste"});
    }
    return places;
}

QString controlId(const QWidget* widget)
{
    const QVariant index = widget->property("index");
    return widget->objectName() + (index.isValid() ? index.toString() : QString());
}

TEST_F(WindowTest, ControlsSitAtTheirPlacesWithTheirCaptions)
{
    m_folder.write("purgix.ini", ""); // an empty settings file keeps the initial targets
    open();
    EXPECT_EQ(m_window->objectName(), "Form1");
    EXPECT_EQ(m_window->windowTitle(), "Purgix");
    EXPECT_EQ(m_window->minimumSize(), QSize(479, 370)); // 7,185 x 5,550 twips
    EXPECT_EQ(m_window->maximumSize(), QSize(479, 370));
    for (const Place& place : expectedPlaces()) {
        SCOPED_TRACE(std::string(place.name) + std::to_string(place.index));
        const QWidget* widget = control(place.name, place.index);
        const QRect& t = place.twips;
        EXPECT_EQ(widget->geometry(),
                  QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
        if (place.text != nullptr) {
            EXPECT_EQ(widget->property("text").toString(), place.text);
        }
    }
    EXPECT_EQ(m_window->findChildren<QWidget*>().size(), expectedPlaces().size());
}

TEST_F(WindowTest, ControlsCarrySpokenNamesAndLabelsTheirBuddies)
{
    open();
    EXPECT_EQ(fileBox()->accessibleName(), "File");
    EXPECT_EQ(target(9)->accessibleName(), "Target string 10");
    EXPECT_EQ(control("paste", 0)->accessibleName(), "Paste into target string 1");
    EXPECT_EQ(control("Command1")->accessibleName(), "Clear all targets");
    EXPECT_EQ(control("cmdPurgix")->accessibleName(), "Purgix");
    EXPECT_EQ(qobject_cast<QLabel*>(control("Label2"))->buddy(), fileBox());
    EXPECT_EQ(qobject_cast<QLabel*>(control("Label1", 1))->buddy(), target(0));
}

TEST_F(WindowTest, TabVisitsTheControlsInTableOrder)
{
    open();
    QStringList expected{"txtFile"};
    for (int i = 0; i < 10; ++i) {
        expected << QStringLiteral("txtTarget%1").arg(i);
    }
    expected << "Browse"
             << "cmdPurgix";
    for (int i = 0; i < 10; ++i) {
        expected << QStringLiteral("paste%1").arg(i);
    }
    expected << "Command1"
             << "txtFile";

    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        visited << controlId(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(WindowTest, EveryCaptionFitsItsControl)
{
    open();
    for (const Place& place : expectedPlaces()) {
        QWidget* widget = control(place.name, place.index);
        QRect room = widget->rect();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        } else if (qobject_cast<QLineEdit*>(widget)) {
            QStyleOptionFrame option;
            option.initFrom(widget);
            option.lineWidth = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            room = widget->style()->subElementRect(QStyle::SE_LineEditContents, &option, widget);
            room.setWidth(QWIDGETSIZE_MAX); // long paths scroll
        }
        const QSize needed =
            widget->fontMetrics().size(Qt::TextShowMnemonic, widget->property("text").toString());
        EXPECT_LE(needed.width(), room.width()) << place.name << place.index;
        EXPECT_LE(needed.height(), room.height()) << place.name << place.index;
    }
}

TEST_F(WindowTest, ClickingALabelFocusesItsBox)
{
    open();
    click("Label1", 1);
    EXPECT_EQ(QApplication::focusWidget(), target(9)); // the bottom box, not the one beside it
    click("Label2");
    EXPECT_EQ(QApplication::focusWidget(), fileBox());
}

} // namespace
} // namespace purgix::test
