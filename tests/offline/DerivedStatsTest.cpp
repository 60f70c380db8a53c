#include "offline/DerivedStats.h"
#include "offline/CsvWriter.h"
#include "offline/DerivedColumns.h"
#include "offline/ReportContent.h"

#include "LogTestData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stop_token>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

LogData logOf(char tempUnit, char ch2Unit, std::vector<float> t, std::vector<float> ch2) {
    LogHeader h;
    h.recordCount = static_cast<std::int32_t>(t.size());
    h.startTime = 45292.0;
    h.interval = 60.0F;
    h.tempUnitCode = tempUnit;
    h.ch2UnitCode = ch2Unit;
    h.text = "TEST0001";
    return LogData(h, t, ch2);
}

TEST(RecordDeriver, EveryKindOfFileGivesTheQuantitiesOfTheSameAir) {
    // 21 °C at 50 %: the program's dew point is 10.1495 °C.
    const DerivedValues expected = deriveQuantities(21.0, 50.0);
    struct Case {
        char tempUnit, ch2Unit;
        float t, ch2;
    };
    const Case cases[] = {
        {'C', '%', 21.0F, 50.0F},      {'F', '%', 69.8F, 50.0F},
        {'K', '%', 294.15F, 50.0F},    {'C', 'C', 21.0F, 10.149504F},
        {'F', 'F', 69.8F, 50.269107F}, {'K', 'K', 294.15F, 283.2995F},
    };
    for (const Case& c : cases) {
        LogHeader h;
        h.tempUnitCode = c.tempUnit;
        h.ch2UnitCode = c.ch2Unit;
        const DerivedValues v = RecordDeriver(h)(c.t, c.ch2);
        for (std::size_t q = 0; q < kDerivedCount; ++q) {
            // Float storage (a Kelvin value keeps 5 decimals) bounds the agreement.
            EXPECT_NEAR(v[q], expected[q], 2e-3) << c.tempUnit << c.ch2Unit << " " << q;
        }
    }
    LogHeader unknown;
    unknown.tempUnitCode = 'X';
    EXPECT_TRUE(std::isnan(RecordDeriver(unknown)(21.0F, 50.0F)[0]));
}

TEST(DerivedExtremes, OnePassAgreesWithEachRecordAndSkipsGaps) {
    const LogData log = logOf('C', '%', {20.0F, kNaN, 25.0F, 18.0F, 22.0F, 30.0F, 19.0F},
                              {50.0F, 40.0F, 80.0F, kNaN, 60.0F, 20.0F, 55.0F});
    struct Case {
        std::int64_t first, last;
    };
    // Whole file, a reversed range, one clamped beyond both ends, a range of gaps only.
    for (const Case c : {Case{0, 6}, Case{5, 2}, Case{-4, 99}, Case{1, 1}, Case{3, 3}}) {
        const auto got = derivedExtremes(log, c.first, c.last, 900.0);
        ASSERT_TRUE(got);
        const std::int64_t lo = std::max<std::int64_t>(std::min(c.first, c.last), 0);
        const std::int64_t hi = std::min<std::int64_t>(std::max(c.first, c.last), log.size() - 1);
        for (std::size_t q = 0; q < kDerivedCount; ++q) {
            Extremes want;
            for (std::int64_t k = lo; k <= hi; ++k) {
                const float t = log.value(Channel::Temperature, k);
                const float h = log.value(Channel::Channel2, k);
                if (!std::isnan(t) && !std::isnan(h)) {
                    want.add(deriveQuantities(t, h, 900.0)[q], k);
                }
            }
            const Extremes& e = (*got)[q];
            SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last) + " q" +
                         std::to_string(q));
            EXPECT_EQ(e.count, want.count);
            EXPECT_EQ(e.minRecord, want.minRecord);
            EXPECT_EQ(e.maxRecord, want.maxRecord);
            if (want.count == 0) {
                EXPECT_TRUE(std::isnan(e.average()));
            } else {
                EXPECT_NEAR(e.average(), want.average(), 1e-12);
            }
        }
    }
    // The absolute humidity peaks in the warm, humid record 2, the margin in the dry record 5.
    const auto all = *derivedExtremes(log, 0, 6);
    EXPECT_EQ(all[static_cast<std::size_t>(Derived::AbsoluteHumidity)].maxRecord, 2);
    EXPECT_EQ(all[static_cast<std::size_t>(Derived::Margin)].maxRecord, 5);
}

TEST(DerivedExtremes, AStopRequestEndsThePass) {
    const LogData log =
        logOf('C', '%', std::vector<float>(20000, 20.0F), std::vector<float>(20000, 50.0F));
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(derivedExtremes(log, 0, 19999, kStandardPressureHpa, stop.get_token()));
}

TEST(DerivedColumns, CellsHaveThreeDecimalsAndGapsStayEmpty) {
    struct Case {
        DerivedValues v;
        char sep, decimal;
        const char* cells;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {{8.6454, 7.2635, 38.5564, 13.7834, 10.7684},
         ',',
         '.',
         ",8.645,7.264,38.556,13.783,10.768"},
        {{-0.0004, -1.2345, 1234.5, 0.0005, 0.0015},
         ';',
         ',',
         ";0,000;-1,234;1234,500;0,000;0,002"},
        {{nan, 1.0, nan, INFINITY, 2.0}, ',', '.', ",,1.000,,,2.000"},
    };
    for (const Case& c : cases) {
        char buf[kDerivedCellsMaxChars];
        const char* end = writeDerivedCells(buf, c.v, c.sep, c.decimal);
        EXPECT_EQ(std::string(static_cast<const char*>(buf), end), c.cells);
    }
}

TEST(DerivedColumns, TheCsvKeepsItsOwnColumnsByteForByte) {
    const LogData log = logOf('C', '%', {21.125F, kNaN, 20.0F}, {45.5F, 50.0F, 1e-3F});
    for (const bool german : {false, true}) {
        CsvOptions plain = german ? germanCsvOptions() : CsvOptions{};
        CsvOptions derived = plain;
        derived.derived = true;
        derived.derivedNames[4] = "Abstand";
        const auto before = linesOf(test::csvText(log, 0, 3, plain));
        const auto after = linesOf(test::csvText(log, 0, 3, derived));
        ASSERT_EQ(before.size(), after.size());
        const char sep = plain.separator;
        for (std::size_t i = 0; i < before.size(); ++i) {
            const std::string row = before[i].substr(0, before[i].size() - 1); // CR
            EXPECT_TRUE(after[i].starts_with(row + sep)) << after[i];
            EXPECT_EQ(std::count(after[i].begin(), after[i].end(), sep),
                      std::count(row.begin(), row.end(), sep) + 5);
        }
        EXPECT_TRUE(after[0].ends_with(std::string(1, sep) + "Abstand (K)\r")) << after[0];
        EXPECT_TRUE(after[2].ends_with(std::string(5, sep) + "\r")) << "gap row " << after[2];
    }
}

TEST(ReportContent, FactsGapsAndAlarmRows) {
    const LogData log = logOf('C', '%', {20.0F, kNaN, kNaN, 21.0F, kNaN, 22.0F, 23.0F},
                              {50.0F, 50.0F, 50.0F, 51.0F, 52.0F, kNaN, 55.0F});
    EXPECT_EQ(countGaps(log, 0, 7).gaps, 2); // records 1-2 and 4-5
    EXPECT_EQ(countGaps(log, 0, 7).records, 4);
    EXPECT_EQ(countGaps(log, 2, 3).gaps, 2);

    ReportRequest request;
    request.fileName = "lab.dat";
    request.first = 3;
    request.alarms = {{"margin<2", 45292.5, std::nullopt, "1.8"},
                      {"humidity>70 for 60s", 45292.25, 45292.375, "71.2"}};
    const auto texts = test::textsIn("eng");
    const ReportContent r = buildReport(log, request, texts, EnglishFormat(), true);
    EXPECT_TRUE(r.letter);
    EXPECT_EQ(r.first, 3);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(r.title, "Report lab.dat");
    ASSERT_EQ(r.facts.size(), 6U);
    EXPECT_EQ(r.facts[1].second, "1/1/2024 12:03:00 AM");
    EXPECT_EQ(r.facts[2].second, "1/1/2024 12:06:00 AM");
    EXPECT_EQ(r.facts[5].second, "1 (2 Records)"); // records 4-5 of 3..6
    ASSERT_EQ(r.statistics.rows.size(), 2 + kDerivedCount);
    EXPECT_EQ(r.statistics.rows[0][0], "Temperature (°C)");
    EXPECT_EQ(r.statistics.rows[0][1], "21.00");
    EXPECT_EQ(r.statistics.rows[0][3], "23.00");
    EXPECT_EQ(r.statistics.rows[0][5], "22.00");
    EXPECT_EQ(r.statistics.rows[1][2], "1/1/2024 12:03:00 AM"); // humidity minimum 51
    ASSERT_EQ(r.alarms.rows.size(), 2U);
    EXPECT_EQ(r.alarms.rows[0],
              (std::vector<std::string>{"margin<2", "1/1/2024 12:00:00 PM", "-", "1.8"}));
    EXPECT_EQ(r.alarms.rows[1][2], "1/1/2024 9:00:00 AM");

    const ReportContent de = buildReport(log, {}, test::textsIn("de"), GermanFormat(), false);
    EXPECT_FALSE(de.letter);
    EXPECT_EQ(de.statistics.rows[2][0], "Absolute Feuchte (g/m³)");
    EXPECT_EQ(de.noAlarms, "keine");
    EXPECT_TRUE(de.alarms.rows.empty());
}

} // namespace
} // namespace orv
