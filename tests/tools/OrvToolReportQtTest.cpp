// orv-tool report as a black box: the real binary writes a PDF, which poppler's pdftotext and
// pdftoppm read back. The table must hold the log engine's own numbers, in the language's
// format, and the rendered page must show both curves.
#include "ToolTestSupport.h"

#include "alarms/AlarmEventsFile.h"
#include "core/LocaleFormat.h"
#include "offline/DerivedStats.h"
#include "offline/DiagramTestFiles.h"
#include "offline/LogLoader.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

using test::runTool;
using test::TempDir;

bool popplerAvailable() {
    return std::system("command -v pdftotext >/dev/null && command -v pdftoppm >/dev/null") == 0;
}

// The line of `text` that starts with `label`, or "".
std::string lineStartingWith(const std::string& text, const std::string& label) {
    for (const std::string& line : test::linesOf(text)) {
        if (line.starts_with(label)) {
            return line;
        }
    }
    return {};
}

// Every part occurs in `line`, each after the one before.
bool inOrder(const std::string& line, const std::vector<std::string>& parts) {
    std::size_t at = 0;
    for (const std::string& part : parts) {
        at = line.find(part, at);
        if (at == std::string::npos) {
            return false;
        }
        at += part.size();
    }
    return true;
}

std::vector<std::string> cells(const LogData& log, const Extremes& e, const LocaleFormat& f) {
    return {formatFixed(f, e.min, 2), f.generalDate(log.recordTime(e.minRecord)),
            formatFixed(f, e.max, 2), f.generalDate(log.recordTime(e.maxRecord)),
            formatFixed(f, e.average(), 2)};
}

class OrvToolReport : public testing::Test {
protected:
    void SetUp() override {
        if (!popplerAvailable()) {
            GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm) are not installed";
        }
        std::vector<float> t(600), h(600);
        for (std::size_t k = 0; k < t.size(); ++k) {
            t[k] = 20.0F + 4.0F * static_cast<float>(std::sin(k / 40.0));
            h[k] = 55.0F + 15.0F * static_cast<float>(std::cos(k / 55.0));
        }
        for (std::size_t k = 300; k < 320; ++k) {
            t[k] = h[k] = test::kGap;
        }
        t[420] = 31.5F; // the maximum, at a known record
        test::writeLog(path_, t, h, {.serial = "ROOM-12"});
        auto loaded = loadLogFile(path_);
        ASSERT_TRUE(std::holds_alternative<LogData>(loaded));
        log_ = std::move(std::get<LogData>(loaded));
    }

    std::string report(const std::vector<std::string>& options, int status = 0) {
        std::filesystem::remove(pdf_);
        std::vector<std::string> args = {"report", path_.string(), "-o", pdf_.string()};
        args.insert(args.end(), options.begin(), options.end());
        const test::Run r = runTool(args);
        EXPECT_EQ(r.status, status) << r.err;
        return r.err;
    }
    std::string pdfText() const {
        const test::Run r = test::run({"pdftotext", "-layout", pdf_.string(), "-"});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    TempDir dir_;
    std::filesystem::path path_ = dir_.file("room.dat");
    std::filesystem::path pdf_ = dir_.file("room.pdf");
    LogData log_;
};

TEST_F(OrvToolReport, TableHoldsTheEnginesNumbersInBothLanguages) {
    const GermanFormat german;
    const EnglishFormat english;
    const struct {
        const char* lang;
        const LocaleFormat& format;
        std::vector<std::string> labels; // temperature, humidity, absolute humidity, margin
        std::vector<std::string> facts;
        const char* paper;
    } variants[] = {
        {"de",
         german,
         {"Temperatur (°C)", "Rel. Feuchte (%)", "Absolute Feuchte (g/m³)",
          "Abstand zum Taupunkt (K)"},
         {"Sensor: ROOM-12", "Datensätze: 500", "Lücken: 1 (20 Datensätze)", "Intervall: 60 s",
          "Beginn: 01.01.2024 09:40:00", "room.dat", "Seite 1 von 1", "Alarme"},
         "A4"},
        {"eng",
         english,
         {"Temperature (°C)", "Rel. humidity (%)", "Absolute humidity (g/m³)",
          "Condensation margin (K)"},
         {"Sensor: ROOM-12", "Records: 500", "Gaps: 1 (20 Records)", "Interval: 60 s",
          "Start: 1/1/2024 9:40:00 AM", "room.dat", "Page 1 of 1", "Alarms"},
         "letter"},
    };
    const std::int64_t first = 100;
    const std::int64_t last = 599;
    const auto derived = derivedExtremes(log_, first, last);
    ASSERT_TRUE(derived);
    for (const auto& v : variants) {
        SCOPED_TRACE(v.lang);
        report({"--from", "100", "--count", "500", "--lang", v.lang});
        const std::string text = pdfText();
        const Extremes rows[] = {
            channelExtremes(log_, Channel::Temperature, first, last),
            channelExtremes(log_, Channel::Channel2, first, last),
            (*derived)[static_cast<std::size_t>(Derived::AbsoluteHumidity)],
            (*derived)[static_cast<std::size_t>(Derived::Margin)],
        };
        for (std::size_t i = 0; i < v.labels.size(); ++i) {
            const std::string line = lineStartingWith(text, v.labels[i]);
            EXPECT_TRUE(inOrder(line, cells(log_, rows[i], v.format))) << v.labels[i] << "\n"
                                                                       << text;
        }
        // The temperature's maximum is the one spike.
        EXPECT_EQ(rows[0].maxRecord, 420);
        for (const std::string& fact : v.facts) {
            EXPECT_PRED2(test::contains, text, fact);
        }
        const test::Run info = test::run({"pdfinfo", pdf_.string()});
        EXPECT_PRED2(test::contains, info.out, v.paper);
    }
}

TEST_F(OrvToolReport, RenderedPageShowsBothCurves) {
    report({});
    const auto prefix = dir_.file("page");
    const test::Run r = test::run({"pdftoppm", "-png", "-r", "60", "-aaVector", "no", "-f", "1",
                                   "-l", "1", pdf_.string(), prefix.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage page(QString::fromStdString(prefix.string() + "-1.png"));
    ASSERT_FALSE(page.isNull());
    int red = 0, green = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            red += qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80 ? 1 : 0;
            green += qGreen(c) > 200 && qRed(c) < 80 && qBlue(c) < 80 ? 1 : 0;
        }
    }
    // 600 records across some 420 pixel columns: each curve colours at least one pixel in most
    // columns (the legend squares alone are a few dozen pixels).
    EXPECT_GT(red, 300);
    EXPECT_GT(green, 300);
}

TEST_F(OrvToolReport, BadArgumentsAreRefusedAndLeaveTheOutputAlone) {
    test::writeFile(pdf_, "kept");
    const std::vector<test::Refusal> cases = {
        {{"report", path_.string()}, 2, "report: -o OUT.pdf is required"},
        {{"report", path_.string(), "-o", pdf_.string(), "--count", "601"},
         2,
         "do not lie within the 600 records"},
        {{"report", path_.string(), "-o", pdf_.string(), "--pressure", "12"},
         2,
         "--pressure wants hPa"},
        {{"report", path_.string(), "-o", pdf_.string(), "--lang", "fr"}, 2, "fr"},
        {{"report", dir_.file("none.dat").string(), "-o", pdf_.string()}, 1, "none.dat"},
    };
    test::expectRefusals({ORV_TOOL_PATH}, cases, "orv-tool: ", false);
    EXPECT_EQ(test::readFile(pdf_), "kept");
    // An output the program may not create is a failure, not a report.
    const test::Run r =
        runTool({"report", path_.string(), "-o", dir_.file("no/such/dir/r.pdf").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_PRED2(test::contains, r.err, "r.pdf");
}

TEST_F(OrvToolReport, AlarmsFromTheEventsFileAndFromRulesOverTheRecords) {
    // What a recording with "margin<2" left beside the log: 09:50 to 10:05.
    AlarmEventsWriter events;
    ASSERT_TRUE(events.create(alarmEventsPathFor(path_))) << events.lastError();
    const double eight = 45292.0 + 8.0 / 24;
    ASSERT_TRUE(events.append({eight + 110.0 / 1440, 0, "margin<2", 1.84, true}));
    ASSERT_TRUE(events.append({eight + 125.0 / 1440, 0, "margin<2", 2.1, false}));
    events.close();

    report({"--lang", "eng", "--alarm", "temperature>30", "--alarm=humidity<0"});
    const std::string text = pdfText();
    // The spike of 31.5 °C at 15:00 is one record long.
    EXPECT_TRUE(inOrder(lineStartingWith(text, "temperature>30"),
                        {"1/1/2024 3:00:00 PM", "1/1/2024 3:01:00 PM", "31.5"}))
        << text;
    EXPECT_TRUE(inOrder(lineStartingWith(text, "margin<2"),
                        {"1/1/2024 9:50:00 AM", "1/1/2024 10:05:00 AM", "1.8"}))
        << text;
    EXPECT_EQ(lineStartingWith(text, "humidity<0"), "") << "a rule that never held";
    EXPECT_FALSE(test::contains(text, "none"));

    // Records after the events: the recorded alarm is not in their report.
    report({"--lang", "eng", "--from", "200"});
    EXPECT_EQ(lineStartingWith(pdfText(), "margin<2"), "");

    const test::Run bad =
        runTool({"report", path_.string(), "-o", pdf_.string(), "--alarm", "humidity>>70"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_PRED2(test::contains, bad.err, "humidity>>70");
}

} // namespace
} // namespace orv
