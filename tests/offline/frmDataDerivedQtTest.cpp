// The data window's humidity quantities between the markers: computed off the GUI thread from
// the log engine's record arrays, superseded by a newer span, cleared with the window.
#include "offline/frmData.h"

#include "core/Clock.h"
#include "offline/DerivedStats.h"
#include "platform/QtLocaleFormat.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "support/QtWait.h"
#include "support/TempDir.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace orv {
namespace {

struct Rig {
    Rig() { strings.selectLanguage("de"); }
    test::TempDir dir;
    IniStore ini{dir.file("VisualORV.Ini")};
    StringTable strings;
    QtLocaleFormat format{QLocale(QLocale::German, QLocale::Germany)};
    ManualClock clock;
    ModMain app{ini, strings, format, clock};
};

std::shared_ptr<const LogData> waveLog(std::size_t n) {
    std::vector<float> t(n), h(n);
    for (std::size_t k = 0; k < n; ++k) {
        t[k] = 18.0F + 6.0F * static_cast<float>(std::sin(static_cast<double>(k) / 700.0));
        h[k] = 50.0F + 20.0F * static_cast<float>(std::cos(static_cast<double>(k) / 900.0));
    }
    t[7] = std::numeric_limits<float>::quiet_NaN();
    LogHeader header;
    header.recordCount = static_cast<std::int32_t>(n);
    header.startTime = 45292.0;
    header.interval = 10.0F;
    return std::make_shared<const LogData>(header, t, h);
}

std::vector<std::string> shown(const frmData& w) {
    std::vector<std::string> out;
    for (std::size_t q = 0; q < kDerivedCount; ++q) {
        for (int c = 0; c < 3; ++c) {
            out.push_back(w.derivedValue(q, c).text().toStdString());
        }
    }
    return out;
}

std::vector<std::string> expected(const LogData& log, RecordSpan span, double pressure,
                                  const LocaleFormat& f) {
    const auto stats = derivedExtremes(log, span.first, span.last, pressure);
    std::vector<std::string> out;
    for (const Extremes& e : *stats) {
        for (const double v : {e.min, e.max, e.average()}) {
            out.push_back(formatFixed(f, v, 1));
        }
    }
    return out;
}

TEST(frmDataDerived, TheEnginesValuesArriveForTheNewestSpan) {
    Rig rig;
    writeSetting(rig.ini, keys::HumidityPressure, "900");
    frmData w(rig.app);
    w.setUnits("°C", " %");
    auto log = waveLog(3'000'000);
    const auto want = expected(*log, {5, 2000}, 900.0, rig.format);

    // A long span is started and at once replaced by a short one: only the short one shows.
    w.showDerived(log, {0, 2'999'999});
    EXPECT_EQ(w.derivedValue(0, 0).text().toStdString(), "...");
    w.showDerived(log, {5, 2000});
    const std::weak_ptr<const LogData> held = log;
    log.reset(); // the diagram window may close: the worker keeps the log alive while it runs
    ASSERT_TRUE(test::waitFor([&] { return !w.derivedPending(); }, 20000));
    EXPECT_EQ(shown(w), want);
    EXPECT_TRUE(test::waitFor([&] { return held.expired(); })) << "and lets it go when done";
    EXPECT_EQ(w.derivedFrame().title().toStdString(), "Abgeleitete Größen zwischen Marker");
    EXPECT_TRUE(w.derivedValue(0, 0).text().contains(QLatin1Char(','))) << "decimal comma";
}

TEST(frmDataDerived, RubberClearsAndAStaleResultNeverShows) {
    Rig rig;
    frmData w(rig.app);
    auto log = waveLog(2'000'000);
    w.showDerived(log, {0, 1'999'999});
    w.Rubber();
    EXPECT_FALSE(w.derivedPending());
    QCoreApplication::processEvents();
    test::waitFor([] { return false; }, 300);
    for (const std::string& text : shown(w)) {
        EXPECT_EQ(text, "");
    }
}

TEST(frmDataDerived, Screenshot) {
    Rig rig;
    frmData w(rig.app);
    auto log = waveLog(20000);
    w.setUnits("°C", " %");
    w.cmData_Click(true);
    w.showMarker(*log, MarkerSide::Left, {100, log->recordTime(100)});
    w.showMarker(*log, MarkerSide::Right, {9000, log->recordTime(9000)});
    w.showStatistics(*log, {100, 9000});
    w.showDerived(log, {100, 9000});
    ASSERT_TRUE(test::waitFor([&] { return !w.derivedPending(); }));
    const QString folder = QStringLiteral(ORV_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    EXPECT_TRUE(w.grab().save(folder + QStringLiteral("/frmData-derived-de.png")));
}

} // namespace
} // namespace orv
