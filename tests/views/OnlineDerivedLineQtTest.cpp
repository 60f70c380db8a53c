// The online values window's second line with the humidity quantities, in a whole program
// (offscreen): off unless the settings ask for it, fed by every frame, blanked by the no-data
// supervision, switched from the window's context menu. The screenshot lands in
// <build>/screenshots.
#include "core/SensorFrames.h"
#include "shell/frmMain.h"
#include "shell/ShellTestSupport.h"
#include "state/SettingsKeys.h"
#include "views/frmOnline.h"
#include "views/LiveWindows.h"

#include <QAction>
#include <QDir>
#include <QLabel>

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ShellProgram;

std::string frame(double t, double rh) {
    SensorFrame f;
    f.temperature.value = t;
    f.humidity.value = rh;
    return buildSensorFrame(f, "\r");
}

frmOnline* openOnline(ShellProgram& p) {
    p.program->start();
    p.window().menus().mnuOnline->trigger();
    return p.window().liveWindows()->online();
}

TEST(OnlineDerivedLine, OffUnlessTheSettingAsks) {
    ShellProgram p("[Main]\nLanguage=de\n", test::kGermanLocale);
    frmOnline* online = openOnline(p);
    ASSERT_NE(online, nullptr);
    EXPECT_FALSE(online->derivedShown());
    EXPECT_FALSE(online->derivedLine()->isVisibleTo(online));
    const int height = online->height();
    p.app().measurement.ParseFrame(frame(20.0, 50.0));
    EXPECT_EQ(online->height(), height) << "the window keeps the size of its two values";
}

TEST(OnlineDerivedLine, FollowsTheFramesAndTheSupervisionAndIsSwitchedByItsMenu) {
    ShellProgram p("[Main]\nLanguage=de\n[OnlineWindow]\nDerived=1\n[Humidity]\nPressure=800\n",
                   test::kGermanLocale);
    frmOnline* online = openOnline(p);
    ASSERT_NE(online, nullptr);
    ASSERT_TRUE(online->derivedShown());
    QLabel* line = online->derivedLine();
    EXPECT_TRUE(line->isVisibleTo(online));
    EXPECT_GE(line->y(), online->lblSen(0)->geometry().bottom());
    EXPECT_EQ(online->height(), line->geometry().bottom() + 1);

    // At 800 hPa: 9.2 g/kg and a wet bulb of 13.2 °C (13.8 at sea level).
    p.app().measurement.ParseFrame(frame(20.0, 50.0));
    EXPECT_EQ(line->text().toStdString(), "8,6 g/m³  9,2 g/kg  43,5 kJ/kg  Tf 13,2 °C  ΔT 10,8 K");
    QDir().mkpath(QStringLiteral(ORV_BINARY_DIR "/screenshots"));
    EXPECT_TRUE(
        online->grab().save(QStringLiteral(ORV_BINARY_DIR "/screenshots/frmOnline-derived.png")));

    for (int tick = 0; tick < 3; ++tick) {
        p.app().measurement.tmrTimeout_Timer();
    }
    EXPECT_EQ(line->text().toStdString(), "--.-");
    p.app().measurement.ParseFrame(frame(25.0, 60.0));
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("13,8 g/m³"))) << line->text().toStdString();

    QAction* toggle = online->findChild<QAction*>(QStringLiteral("mnuDerived"));
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->text().toStdString(), "Feuchtegrößen anzeigen");
    EXPECT_TRUE(online->actions().contains(toggle)) << "in the window's context menu";
    const int withLine = online->height();
    toggle->trigger();
    EXPECT_FALSE(online->derivedShown());
    EXPECT_FALSE(line->isVisibleTo(online));
    EXPECT_LT(online->height(), withLine);
    EXPECT_FALSE(readSetting(p.app().ini, keys::OnlineWindowDerived));
    toggle->trigger();
    EXPECT_EQ(online->height(), withLine);
    EXPECT_TRUE(readSetting(p.app().ini, keys::OnlineWindowDerived));
}

} // namespace
} // namespace orv
