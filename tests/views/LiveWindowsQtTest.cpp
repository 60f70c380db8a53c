// The three live windows inside a whole program (offscreen): size and font rule, the monitor's
// line limit with wrapping, the chart's gaps and relabelling, menu marks, placements, restoring
// at start and saving at exit, in both languages. Screenshots land in <build>/screenshots.
#include "core/SensorFrames.h"
#include "platform/ScreenTwips.h"
#include "shell/Dialog.h"
#include "shell/frmMain.h"
#include "shell/ShellTestSupport.h"
#include "views/frmMonitor.h"
#include "views/frmOnlGraf.h"
#include "views/frmOnline.h"
#include "views/LiveRules.h"
#include "views/LiveWindows.h"
#include "views/OnlineChart.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

struct Language {
    const char* code;
    const char* noData; // lblSen caption before the first value
    const char* temperatureTip;
    const char* chartTitle;
    const char* tempText; // 21.5 °C as shown
    const QLocale& locale;
};
const Language kGerman{
    "de",      "inaktiv",          "gemessene Temperatur", "Messwerte-Diagramm (Online)",
    "21,5 °C", test::kGermanLocale};
const Language kEnglish{
    "eng",     "no data",           "measured temperature", "Data diagram (online)",
    "21.5 °C", test::kEnglishLocale};

std::string iniFor(const Language& l, const std::string& more = {}) {
    // A language is set, so no first-run dialogs; no port and no network: no link opens.
    return std::string("[Main]\nLanguage=") + l.code + "\n" + more;
}

std::string frame(double t, double rh, FrameLayout layout = FrameLayout::F, bool bad = false) {
    SensorFrame f;
    f.layout = layout;
    f.temperature.value = t;
    f.humidity.value = rh;
    f.badChecksum = bad;
    return buildSensorFrame(f, "\r");
}

void saveScreenshot(QWidget* widget, const QString& name) {
    QDir().mkpath(QStringLiteral(ORV_BINARY_DIR "/screenshots"));
    const QString path = QStringLiteral(ORV_BINARY_DIR "/screenshots/") + name + ".png";
    const QPixmap shot = widget->grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
}

class LiveWindowsTest : public ::testing::TestWithParam<const Language*> {
protected:
    const Language& lang() const { return *GetParam(); }
};

TEST_P(LiveWindowsTest, OnlineWindowScalesWithItsHeightAndShowsTheMeasurement) {
    ShellProgram p(iniFor(lang()), lang().locale);
    p.program->start();
    frmMain& w = p.window();
    QAction* item = w.menus().mnuOnline;
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    frmOnline* online = w.liveWindows()->online();
    ASSERT_NE(online, nullptr);
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(online->isWindow()) << "a separate top-level window";
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);

    // First start: 680 twips high, 3900 wide, 12.8 points; the words of the current language.
    EXPECT_EQ(online->layoutTwips().height, 680);
    EXPECT_EQ(online->layoutTwips().width, 3900);
    EXPECT_DOUBLE_EQ(online->lblSen(0)->font().pointSizeF(), 12.8);
    EXPECT_DOUBLE_EQ(online->lblSen(1)->font().pointSizeF(), 12.8);
    EXPECT_EQ(online->lblSen(0)->text().toStdString(), lang().noData);
    EXPECT_EQ(online->lblSen(0)->toolTip().toStdString(), lang().temperatureTip);

    // Dragged taller than allowed: back to 1590 twips, 8450 wide.
    const ScreenDpi dpi = screenDpi(online);
    online->resize(online->width(), twipsToPixels(5000, dpi.y));
    EXPECT_EQ(online->layoutTwips().height, 1590);
    EXPECT_EQ(online->width(), twipsToPixels(8450 - kOnlineFrameWidth, dpi.x));
    EXPECT_EQ(online->height(), twipsToPixels(1590 - 360, dpi.y));
    EXPECT_DOUBLE_EQ(online->lblSen(1)->font().pointSizeF(), 49.2);
    online->resize(online->width(), 2);
    EXPECT_EQ(online->layoutTwips().height, 550);
    online->setHeightTwips(1000);
    EXPECT_EQ(online->lblSen(1)->x(), twipsToPixels(5500 / 2 - 56, dpi.x));
    EXPECT_GE(online->lblSen(1)->x(), online->lblSen(0)->geometry().right());

    // The measurement writes the labels and caption itself.
    p.app().measurement.ParseFrame(frame(21.5, 48.0));
    EXPECT_EQ(online->lblSen(0)->text().toStdString(), lang().tempText);
    EXPECT_TRUE(online->lblSen(1)->text().startsWith(QStringLiteral("48")));
    EXPECT_TRUE(online->windowTitle().contains(QString::fromUtf8(lang().temperatureTip)));
    EXPECT_TRUE(online->windowTitle().contains(QStringLiteral("SIM00001")));
    saveScreenshot(online, QStringLiteral("frmOnline-") + lang().code);

    // A language switch relabels at once and keeps the values.
    if (std::string(lang().code) == "de") {
        w.cmdUk_Click();
        EXPECT_EQ(online->lblSen(0)->toolTip().toStdString(), kEnglish.temperatureTip);
    } else {
        w.cmdGer_Click();
        EXPECT_EQ(online->lblSen(0)->toolTip().toStdString(), kGerman.temperatureTip);
    }
    EXPECT_EQ(online->lblSen(0)->text().toStdString(), lang().tempText);

    // A silent sensor: "--.-" after the third no-data tick.
    for (int i = 0; i < 3; ++i) {
        p.app().measurement.tmrTimeout_Timer();
    }
    EXPECT_EQ(online->lblSen(0)->text(), QStringLiteral("--.-"));
    EXPECT_EQ(online->lblSen(1)->text(), QStringLiteral("--.-"));

    // Placement round trip; the menu closes the window and clears the mark.
    online->move(120, 80);
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(p.app().measurement.settings().onlineShown);
    EXPECT_TRUE(waitFor([&] { return w.liveWindows()->online() == nullptr; }));
    EXPECT_EQ(readSetting(p.store(), keys::OnlineWindowHeight), 1000);
    item->trigger();
    online = w.liveWindows()->online();
    ASSERT_NE(online, nullptr);
    EXPECT_EQ(online->layoutTwips().height, 1000);
    EXPECT_EQ(online->pos(), QPoint(120, 80));

    // Closed by its own title bar: the mark follows.
    online->close();
    EXPECT_FALSE(item->isChecked());
}

// Display lines of the box as Qt's own layout wraps them.
int qtDisplayLines(QPlainTextEdit* box) {
    int lines = 0;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        lines += std::max(1, b.layout()->lineCount());
    }
    return lines;
}

TEST_P(LiveWindowsTest, MonitorKeepsNineDisplayLinesAndShowsBadFramesToo) {
    ShellProgram p(iniFor(lang()), lang().locale);
    p.program->start();
    frmMain& w = p.window();
    w.menus().mnuMon->trigger();
    frmMonitor* monitor = w.liveWindows()->monitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(w.menus().mnuMon->isChecked());
    EXPECT_TRUE(p.app().measurement.settings().MonitorActive);
    const QSize fixed = monitor->subWindow()->size();
    monitor->subWindow()->resize(fixed * 2);
    EXPECT_EQ(monitor->subWindow()->size(), fixed) << "the monitor has a fixed size";

    struct Case {
        const char* name;
        FrameLayout layout;
    };
    // Short frames fit a line each; long ones wrap in the narrow box and leave fewer frames.
    int framesShown[2] = {};
    int i = 0;
    for (const Case& c :
         {Case{"short frames", FrameLayout::H}, Case{"long frames", FrameLayout::F}}) {
        SCOPED_TRACE(c.name);
        for (int n = 0; n < 30; ++n) {
            p.app().measurement.ParseFrame(frame(20.0 + n / 10.0, 50.0, c.layout, n == 29));
        }
        QPlainTextEdit* box = monitor->txtMon();
        EXPECT_LE(qtDisplayLines(box), kMonitorDisplayLines);
        EXPECT_GE(qtDisplayLines(box), kMonitorDisplayLines - 2);
        const QString shown = box->toPlainText();
        // The newest frame (with its bad checksum) is the last line above the empty one.
        const std::string newest = frame(22.9, 50.0, c.layout, true);
        EXPECT_TRUE(
            shown.endsWith(QString::fromStdString(newest.substr(0, newest.size() - 1)) + u'\n'))
            << shown.toStdString();
        framesShown[i++] = static_cast<int>(shown.count(QStringLiteral("@T")));
        // The monitor text itself is not cut to the box.
        EXPECT_GT(std::count(p.app().measurement.MonitorText().begin(),
                             p.app().measurement.MonitorText().end(), '\n'),
                  20);
    }
    EXPECT_EQ(framesShown[0], 8);
    EXPECT_LT(framesShown[1], framesShown[0]);
    saveScreenshot(monitor->subWindow(), QStringLiteral("frmMonitor-") + lang().code);

    // Closed by its title bar: mark cleared, placement stored, frames no longer collected.
    monitor->subWindow()->move(40, 30);
    monitor->subWindow()->close();
    EXPECT_FALSE(w.menus().mnuMon->isChecked());
    EXPECT_FALSE(p.app().measurement.settings().MonitorActive);
    const ScreenDpi dpi = screenDpi(&w);
    EXPECT_EQ(readSetting(p.store(), keys::MonWindowLeft), pixelsToTwips(40, dpi.x));
    EXPECT_EQ(readSetting(p.store(), keys::MonWindowTop), pixelsToTwips(30, dpi.y));
    p.app().measurement.ParseFrame(frame(20.0, 50.0));
    EXPECT_TRUE(p.app().measurement.MonitorText().empty());
    w.menus().mnuMon->trigger();
    ASSERT_TRUE(waitFor([&] { return w.liveWindows()->monitor() != nullptr; }));
    EXPECT_EQ(w.liveWindows()->monitor()->subWindow()->pos(), QPoint(40, 30));
}

TEST_P(LiveWindowsTest, ChartShowsGapsRelabelsAtTheNextTickAndKeepsItsPlacementRules) {
    ShellProgram p(iniFor(lang()), lang().locale);
    p.program->start();
    frmMain& w = p.window();
    w.resize(900, 700);
    Measurement& m = p.app().measurement;
    for (int n = 0; n < 200; ++n) {
        m.ParseFrame(frame(21.0 + std::sin(n / 20.0), 45.0 + 10 * std::cos(n / 30.0)));
    }

    // Toolbar button 2 opens the chart, which shows the history it finds at once.
    QAction* button = w.menus().button[2];
    ASSERT_TRUE(button->isEnabled());
    button->trigger();
    frmOnlGraf* chart = w.liveWindows()->chart();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(w.menus().mnuOnlGraf->isChecked());
    EXPECT_EQ(chart->subWindow()->windowTitle().toStdString(), lang().chartTitle);
    EXPECT_EQ(chart->Timer1().interval(), 10000);
    EXPECT_EQ(valueRuns(chart->chart()->snapshot().temperature),
              (std::vector<PointRun>{{50, 249}}));

    // A silent sensor, then values again: the no-data tick is a gap with its time label.
    for (int i = 0; i < 3; ++i) {
        m.tmrTimeout_Timer();
    }
    for (int n = 0; n < 4; ++n) {
        m.ParseFrame(frame(22.0, 50.0));
    }
    chart->Timer1_Timer();
    saveScreenshot(chart->subWindow(), QStringLiteral("frmOnlGraf-gap-") + lang().code);
    // The display unit changes: the series label follows at the next tick only.
    m.settings().unit = TempUnit::Fahrenheit;
    m.ParseFrame(frame(22.0, 50.0));
    EXPECT_EQ(chart->chart()->seriesLabel(0), QStringLiteral("°C"));
    chart->Timer1_Timer();
    const ChartSnapshot& s = chart->chart()->snapshot();
    EXPECT_EQ(valueRuns(s.temperature), (std::vector<PointRun>{{45, 243}, {245, 249}}));
    EXPECT_FALSE(s.timeLabels[244].empty()) << "the no-data tick keeps its time";
    EXPECT_FALSE(s.channel2[244].has_value());
    EXPECT_EQ(chart->chart()->seriesLabel(0), QStringLiteral("°F"));
    EXPECT_EQ(chart->chart()->seriesLabel(1), QStringLiteral("%"));
    EXPECT_NEAR(*s.temperature[249], 71.6, 0.05);
    saveScreenshot(chart->subWindow(), QStringLiteral("frmOnlGraf-") + lang().code);

    // The menu hides the chart and shows it again with its data; the mark follows.
    w.menus().mnuOnlGraf->trigger();
    EXPECT_FALSE(w.menus().mnuOnlGraf->isChecked());
    EXPECT_FALSE(chart->subWindow()->isVisible());
    w.menus().mnuOnlGraf->trigger();
    EXPECT_EQ(w.liveWindows()->chart(), chart);
    EXPECT_TRUE(chart->subWindow()->isVisible());
    EXPECT_TRUE(w.menus().mnuOnlGraf->isChecked());

    // Fit the active window: the chart fills the main window's area from the top-left corner.
    w.mnuWSet_Click();
    EXPECT_EQ(chart->subWindow()->pos(), QPoint(0, 0));
    EXPECT_GT(chart->subWindow()->width(), 600);

    // Closed while maximised: the stored placement stays.
    chart->subWindow()->setGeometry(10, 20, 500, 300);
    chart->subWindow()->showMaximized();
    chart->subWindow()->close();
    EXPECT_FALSE(w.menus().mnuOnlGraf->isChecked());
    EXPECT_EQ(readSetting(p.store(), keys::GrafWindowWidth), 6200);
    EXPECT_TRUE(waitFor([&] { return w.liveWindows()->chart() == nullptr; }));

    // Closed in the normal state: the placement round-trips.
    button->trigger();
    chart = w.liveWindows()->chart();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(valueRuns(chart->chart()->snapshot().temperature).size(), 2U)
        << "a new chart starts from the history";
    chart->subWindow()->setGeometry(10, 20, 500, 300);
    chart->subWindow()->close();
    const ScreenDpi dpi = screenDpi(&w);
    EXPECT_EQ(readSetting(p.store(), keys::GrafWindowWidth), pixelsToTwips(500, dpi.x));
    button->trigger();
    ASSERT_TRUE(waitFor([&] { return w.liveWindows()->chart() != nullptr; }));
    EXPECT_EQ(w.liveWindows()->chart()->subWindow()->geometry(), QRect(10, 20, 500, 300));
}

// The display settings restart a shown chart with an empty history; a hidden one stays closed.
TEST_P(LiveWindowsTest, DisplaySettingsRestartTheChartEmpty) {
    ShellProgram p(iniFor(lang()), lang().locale);
    p.program->start();
    frmMain& w = p.window();
    const auto runDialog = [&] {
        Dialog& d = *w.displayDialog();
        QTimer::singleShot(0, &d, [&d] { d.OKButton()->click(); });
        w.menus().mnuMessw->trigger();
    };
    for (int n = 0; n < 3; ++n) {
        p.app().measurement.ParseFrame(frame(21.0, 45.0));
    }
    w.menus().mnuOnlGraf->trigger();
    const QPointer<frmOnlGraf> before = w.liveWindows()->chart();
    ASSERT_FALSE(valueRuns(before->chart()->snapshot().temperature).empty());

    runDialog();
    EXPECT_TRUE(w.menus().mnuOnlGraf->isChecked());
    frmOnlGraf* after = w.liveWindows()->chart();
    ASSERT_NE(after, nullptr);
    EXPECT_NE(after, before.data());
    EXPECT_TRUE(valueRuns(after->chart()->snapshot().temperature).empty());
    EXPECT_TRUE(after->subWindow()->isVisible());

    w.menus().mnuOnlGraf->trigger(); // hidden
    runDialog();
    EXPECT_FALSE(w.menus().mnuOnlGraf->isChecked());
    EXPECT_EQ(w.liveWindows()->chart(), nullptr);
}

TEST_P(LiveWindowsTest, WindowsOpenAtTheLastExitReopenAndTheirMarksAreSaved) {
    ShellProgram p(iniFor(lang(), "[MainWindow]\nWindowGraph=1\nWindowMonitor=1\nWindowOnline=1\n"
                                  "[OnlineWindow]\nHeight=1200\n"),
                   lang().locale);
    p.program->start();
    frmMain& w = p.window();
    LiveWindows& live = *w.liveWindows();
    ASSERT_NE(live.chart(), nullptr);
    ASSERT_NE(live.monitor(), nullptr);
    ASSERT_NE(live.online(), nullptr);
    EXPECT_TRUE(w.menus().mnuOnlGraf->isChecked());
    EXPECT_TRUE(w.menus().mnuMon->isChecked());
    EXPECT_TRUE(w.menus().mnuOnline->isChecked());
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(live.online()->layoutTwips().height, 1200);
    EXPECT_EQ(live.chart()->subWindow()->windowTitle().toStdString(), lang().chartTitle);

    w.close();
    const IniStore ini = p.store();
    EXPECT_TRUE(readSetting(ini, keys::MainWindowGraph));
    EXPECT_TRUE(readSetting(ini, keys::MainWindowMonitor));
    EXPECT_TRUE(readSetting(ini, keys::MainWindowOnline));
    EXPECT_EQ(readSetting(ini, keys::OnlineWindowHeight), 1200);
    EXPECT_NE(p.iniText().find("[GrafWindow]"), std::string::npos);
    EXPECT_NE(p.iniText().find("[MonWindow]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Languages, LiveWindowsTest, ::testing::Values(&kGerman, &kEnglish),
                         [](const auto& info) { return std::string(info.param->code); });

} // namespace
} // namespace orv
