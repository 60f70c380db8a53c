#include "offline/frmData.h"

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "LogTestData.h"
#include "platform/QtLocaleFormat.h"
#include "platform/ScreenTwips.h"
#include "shell/ApplyLanguage.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "support/TempDir.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <memory>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The shared state a data window needs, with settings in a throw-away folder.
struct DataRig {
    explicit DataRig(const char* language,
                     QLocale locale = QLocale(QLocale::German, QLocale::Germany))
        : format(std::move(locale)) {
        strings.selectLanguage(language);
    }
    test::TempDir dir;
    IniStore ini{dir.file("VisualORV.Ini")};
    StringTable strings;
    QtLocaleFormat format;
    ManualClock clock;
    ModMain app{ini, strings, format, clock};
};

// Five records one minute apart, a gap in each channel.
LogData sampleLog() {
    LogHeader h;
    h.recordCount = 5;
    h.startTime = fromCivil({2004, 12, 31, 8, 0, 0});
    h.interval = 60;
    return LogData(h, {21.125F, 21.625F, 20.0F, 22.25F, kNaN}, {45.5F, kNaN, 50.0F, 47.0F, 48.0F});
}

std::vector<std::string> valueTexts(const frmData& w) {
    std::vector<std::string> out;
    for (int i = 0; i < static_cast<int>(kDataWindowLabels); ++i) {
        out.push_back(w.value(i).text().toStdString());
    }
    return out;
}

TEST(frmDataQt, CaptionsFollowTheFileUnitsAndTheLanguage) {
    const std::map<std::string, std::array<const char*, 4>> frames = {
        {"de", {"Pointerdaten", "Marker Links", "Marker Rechts", "Messwerte zwischen Marker"}},
        {"eng", {"Pointerdata", "Left Marker", "Right Marker", "Range between markers"}},
    };
    struct Case {
        const char* language;
        const char* temp;
        const char* ch2;
        std::array<const char*, 7> captions; // labels 0, 1, 2, 9, 11, 12 and 14
    };
    const Case cases[] = {
        {"de",
         "°C",
         " %",
         {"Temperatur (°C)", "rel. Feuchte ( %)", "Zeit", "max. Temperatur (°C)",
          "Ø Temperatur (°C)", "max. rel. Feuchte ( %)", "Ø rel. Feuchte ( %)"}},
        {"de",
         "°F",
         "°F",
         {"Temperatur (°F)", "Taupunkt (°F)", "Zeit", "max. Temperatur (°F)", "Ø Temperatur (°F)",
          "max. Taupunkt (°F)", "Ø Taupunkt (°F)"}},
        {"eng",
         " K",
         " %",
         {"temperature ( K)", "rel. humidity ( %)", "time", "max. temperature ( K)",
          "Ø temperature ( K)", "max. rel. humidity ( %)", "Ø rel. humidity ( %)"}},
        {"eng",
         "°C",
         "°C",
         {"temperature (°C)", "dew point (°C)", "time", "max. temperature (°C)",
          "Ø temperature (°C)", "max. dew point (°C)", "Ø dew point (°C)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " '" + c.temp + "' '" + c.ch2 + "'");
        DataRig rig(c.language);
        frmData w(rig.app);
        // No file loaded yet (no channel unit): the design captions stay, whatever the language.
        w.setUnits(c.temp, "");
        w.applyLanguage();
        w.Rubber();
        EXPECT_EQ(w.caption(1).text(), QStringLiteral("rel. Feuchte (%)"));
        EXPECT_EQ(w.caption(12).text(), QStringLiteral("Max. rel. Feuchte (%)"));

        w.setUnits(c.temp, c.ch2);
        w.Rubber();
        const int labels[] = {0, 1, 2, 9, 11, 12, 14};
        for (std::size_t k = 0; k < std::size(labels); ++k) {
            EXPECT_EQ(w.caption(labels[k]).text().toStdString(), c.captions[k]);
        }
        // The three read-out groups repeat the same captions.
        EXPECT_EQ(w.caption(3).text(), w.caption(0).text());
        EXPECT_EQ(w.caption(8).text(), w.caption(2).text());
        for (int g = 0; g < 4; ++g) {
            EXPECT_EQ(w.frame(g).title().toStdString(),
                      frames.at(c.language)[static_cast<std::size_t>(g)]);
        }
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Data"));
    }
}

TEST(frmDataQt, PointerMarkersAndStatisticsInTheLocaleFormat) {
    struct Case {
        QLocale locale;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {QLocale(QLocale::German, QLocale::Germany),
         {"21,12", "45,5", "31.12.2004 08:00:00",     // pointer on record 0
          "21,62", "NaN", "31.12.2004 08:01:00",      // left marker on record 1, a gap
          "22,25", "47", "31.12.2004 08:03:30",       // right marker on record 3
          "22,2", "20", "21,3", "50", "47", "48,5"}}, // records 1..3, gaps skipped
        {QLocale(QLocale::English, QLocale::UnitedStates),
         {"21.12", "45.5", "12/31/2004 8:00:00 AM", "21.62", "NaN", "12/31/2004 8:01:00 AM",
          "22.25", "47", "12/31/2004 8:03:30 AM", "22.2", "20", "21.3", "50", "47", "48.5"}},
    };
    const LogData log = sampleLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        DataRig rig("de", c.locale);
        frmData w(rig.app);
        w.setUnits("°C", " %");
        const double t0 = log.recordTime(0);
        w.showPointer(log, {0, t0});
        w.showMarker(log, MarkerSide::Left, {1, log.recordTime(1)});
        // A marker's time is the time under the click, between records 3 and 4 here.
        w.showMarker(log, MarkerSide::Right, {3, log.recordTime(3) + 30.0 / 86400});
        w.showStatistics(log, {1, 3});
        EXPECT_EQ(valueTexts(w), c.values);

        w.Rubber();
        EXPECT_EQ(valueTexts(w), std::vector<std::string>(kDataWindowLabels));
        EXPECT_EQ(w.caption(0).text(), QStringLiteral("Temperatur (°C)"));
    }
}

TEST(frmDataQt, ReplayFillsSetMarkersAndStatisticsOnlyWhenBothAreSet) {
    DataRig rig("eng", QLocale(QLocale::English, QLocale::UnitedStates));
    frmData w(rig.app);
    const LogData log = sampleLog();
    const DiagramGeometry geometry(6000, 3000); // plot area x 500..5000
    const ViewRange view{0, 5};
    const TimeGrid grid{log.header().startTime, log.header().interval};

    Markers markers;
    ASSERT_TRUE(markers.placeLeft(500 + 4500.0 / 4 * 2, geometry, view, grid)); // record 2
    w.showMarkers(log, markers);
    EXPECT_EQ(w.value(3).text(), QStringLiteral("20"));
    EXPECT_EQ(w.value(6).text(), QString());
    EXPECT_EQ(w.value(9).text(), QString()) << "one marker leaves the statistics as they were";

    ASSERT_TRUE(markers.placeRight(6000, geometry, view, grid)); // right of the area: the last
    w.Rubber();
    w.showMarkers(log, markers);
    EXPECT_EQ(w.value(6).text(), QStringLiteral("NaN"));
    EXPECT_EQ(w.value(8).text(), QStringLiteral("12/31/2004 8:04:00 AM"));
    EXPECT_EQ(w.value(9).text(), QStringLiteral("22.2")); // records 2..4
    EXPECT_EQ(w.value(11).text(), QStringLiteral("21.1"));
    EXPECT_EQ(w.value(14).text(), QStringLiteral("48.3"));
}

TEST(frmDataQt, DataCheckBoxShowsClearedOrHidesAndTheCloseBoxKeepsTheWish) {
    DataRig rig("de");
    frmData w(rig.app);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.DataWindowWanted());
    const LogData log = sampleLog();
    w.showPointer(log, {2, log.recordTime(2)}); // written while hidden
    EXPECT_EQ(w.value(0).text(), QStringLiteral("20"));

    w.cmData_Click(true);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.DataWindowWanted());
    EXPECT_EQ(valueTexts(w), std::vector<std::string>(kDataWindowLabels));
    EXPECT_EQ(w.frame(3).title(), QStringLiteral("Messwerte zwischen Marker"));

    // The language switch of the main window relabels the open data window, units kept.
    w.setUnits("°F", "°F");
    ApplyLanguage(rig.app, "eng");
    EXPECT_EQ(w.frame(3).title(), QStringLiteral("Range between markers"));
    EXPECT_EQ(w.caption(13).text(), QStringLiteral("min. dew point (°F)"));

    w.cmData_Click(false);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.DataWindowWanted());

    w.cmData_Click(true);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.DataWindowWanted()) << "the check box keeps its state";
    EXPECT_TRUE(w.size() == w.sizeHint() && w.minimumSize() == w.maximumSize())
        << "a fixed-size tool window";
    EXPECT_TRUE(w.windowFlags() & Qt::Tool);
}

TEST(frmDataQt, PlacementRoundTripsInTwips) {
    DataRig rig("de");
    {
        frmData w(rig.app); // first start: no settings
        w.cmData_Click(true);
        EXPECT_EQ(w.pos(), QPoint(0, 0));
    }
    ASSERT_TRUE(writeSetting(rig.ini, keys::DataWindowLeft, 1440));
    ASSERT_TRUE(writeSetting(rig.ini, keys::DataWindowTop, 720));
    frmData w(rig.app);
    const ScreenDpi dpi = screenDpi(&w);
    EXPECT_EQ(w.pos(), QPoint(twipsToPixels(1440, dpi.x), twipsToPixels(720, dpi.y)));

    w.cmData_Click(true);
    w.move(40, 30);
    w.unload();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(readSetting(rig.ini, keys::DataWindowLeft), pixelsToTwips(40, dpi.x));
    EXPECT_EQ(readSetting(rig.ini, keys::DataWindowTop), pixelsToTwips(30, dpi.y));

    // Not in the normal state: the saved placement stays.
    w.cmData_Click(true);
    w.setWindowState(Qt::WindowMinimized);
    w.move(200, 150);
    w.close();
    EXPECT_EQ(readSetting(rig.ini, keys::DataWindowLeft), pixelsToTwips(40, dpi.x));

    frmData again(rig.app);
    EXPECT_EQ(again.pos(), QPoint(40, 30));
}

// A picture of the window in both languages for the documentation and for looking at it.
TEST(frmDataQt, Screenshot) {
    for (const char* language : {"de", "eng"}) {
        DataRig rig(language, QLocale::system());
        frmData w(rig.app);
        const LogData log = sampleLog();
        w.setUnits("°C", " %");
        w.cmData_Click(true);
        w.showPointer(log, {0, log.recordTime(0) + 10.0 / 86400});
        w.showMarker(log, MarkerSide::Left, {1, log.recordTime(1)});
        w.showMarker(log, MarkerSide::Right, {3, log.recordTime(3)});
        w.showStatistics(log, {1, 3});
        const QString folder = QStringLiteral(ORV_BINARY_DIR "/screenshots");
        QDir().mkpath(folder);
        const QImage image = w.grab().toImage();
        EXPECT_GT(image.width(), 100);
        EXPECT_TRUE(image.save(folder + QStringLiteral("/frmData-%1.png").arg(language)));
    }
}

} // namespace
} // namespace orv
