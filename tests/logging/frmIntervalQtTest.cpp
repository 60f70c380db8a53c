// The interval dialog as a window: the slider runs the scale, the arrow buttons move the value by
// one second and the slider only follows, Ok hands the value over and keeps it.
#include "logging/frmInterval.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

TEST(frmInterval, LooksAsDesignedAndDoesNotBlock) {
    frmInterval dialog;
    dialog.showDialog();
    EXPECT_EQ(dialog.windowTitle(), "Intervall einstellen");
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(dialog.Slider1()->minimum(), 1);
    EXPECT_EQ(dialog.Slider1()->maximum(), 600);
    // starts at one minute, label and value taken from the slider
    EXPECT_EQ(dialog.SliderSeconds(), 60);
    EXPECT_EQ(dialog.Label1()->text(), "1 Min 0s");
    const char* marks[] = {"5s", "60s", "10min", "30min", "60min"};
    int previousX = -1;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dialog.Label2(i)->text(), marks[i]);
        // left to right under the slider, each inside the window
        EXPECT_GT(dialog.Label2(i)->x(), previousX) << marks[i];
        previousX = dialog.Label2(i)->x();
        EXPECT_LE(dialog.Label2(i)->mapTo(&dialog, QPoint(dialog.Label2(i)->width(), 0)).x(),
                  dialog.width());
    }
    EXPECT_EQ(dialog.Command1()->text(), "Ok");
    EXPECT_EQ(dialog.Command2()->text(), "<");
    EXPECT_EQ(dialog.Command3()->text(), ">");
}

TEST(frmInterval, SliderAndButtonsFollowTheRules) {
    enum Act { Down, Up };
    const struct {
        int slider;            // position set by the user first
        std::vector<Act> acts; // then these button clicks
        int seconds;
        int position;
        const char* label;
    } cases[] = {
        {1, {}, 5, 1, "0 Min 5s"},
        {22, {}, 5, 22, "0 Min 5s"},
        {23, {}, 10, 23, "0 Min 10s"},
        {74, {}, 55, 74, "0 Min 55s"},
        {244, {}, 600, 244, "10 Min 0s"},
        {600, {}, 3600, 600, "60 Min 0s"},
        // one second less; the slider follows to 102 without its handler (which would say 105)
        {100, {Down}, 104, 102, "1 Min 44s"},
        {100, {Up, Up}, 107, 103, "1 Min 47s"},
        // the top stays the top
        {600, {Up}, 3600, 600, "60 Min 0s"},
        // only the slider reaches 5 s; the button stops at 6
        {23, {Down, Down, Down, Down, Down, Down}, 6, 24, "0 Min 6s"},
        {1, {Down}, 5, 1, "0 Min 5s"},
        {1, {Up}, 6, 24, "0 Min 6s"},
    };
    for (const auto& c : cases) {
        frmInterval dialog;
        dialog.showDialog();
        dialog.Slider1()->setValue(c.slider);
        for (const Act act : c.acts) {
            (act == Down ? dialog.Command2() : dialog.Command3())->click();
        }
        SCOPED_TRACE("slider " + std::to_string(c.slider) + ", " + std::to_string(c.acts.size()) +
                     " clicks");
        EXPECT_EQ(dialog.SliderSeconds(), c.seconds);
        EXPECT_EQ(dialog.Slider1()->value(), c.position);
        EXPECT_EQ(dialog.Label1()->text().toStdString(), c.label);
    }
}

TEST(frmInterval, KeyboardMovesTheSliderAndOkHandsTheValueOverAndKeepsIt) {
    frmInterval dialog;
    QSignalSpy confirmed(&dialog, &frmInterval::intervalConfirmed);
    dialog.showDialog();
    dialog.Slider1()->setValue(93); // 90 s
    QTest::keyClick(dialog.Slider1(), Qt::Key_Right);
    EXPECT_EQ(dialog.Slider1()->value(), 94);
    EXPECT_EQ(dialog.Label1()->text(), "1 Min 30s");
    dialog.Command3()->click();
    dialog.Command1()->click();
    ASSERT_EQ(confirmed.count(), 1);
    EXPECT_EQ(confirmed.at(0).at(0).toInt(), 91);
    EXPECT_FALSE(dialog.isVisible());
    // shown again: the value is still there; closing without Ok hands nothing over
    dialog.showDialog();
    EXPECT_EQ(dialog.SliderSeconds(), 91);
    EXPECT_EQ(dialog.Label1()->text(), "1 Min 31s");
    dialog.Command2()->click();
    dialog.close();
    EXPECT_EQ(confirmed.count(), 1);
}

} // namespace
} // namespace orv
