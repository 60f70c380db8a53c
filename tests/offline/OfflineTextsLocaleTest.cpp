// Every number and date text of the offline windows, the export and the CSV file, computed with the
// C library in the real German and English desktop locales (as QApplication sets it up there), must
// be the very text computed in the C locale: the separators come from the LocaleFormat alone.
#include "offline/AxisLabels.h"
#include "offline/CsvWriter.h"
#include "offline/DataWindow.h"
#include "offline/ExportWriter.h"
#include "offline/NumberText.h"
#include "offline/ViewMapping.h"

#include "core/DayNumber.h"
#include "LogTestData.h"
#include "support/CLocale.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

const std::vector<float> kTemp{21.125F, 1031.5F, -12.375F, kNaN, 1234.56F, 22.0F};
const std::vector<float> kCh2{45.3F, 45.555F, kNaN, 0.004F, 99.9F, 45.3F};

LogData sampleLog() {
    LogHeader header;
    header.recordCount = static_cast<std::int32_t>(kTemp.size());
    header.startTime = fromCivil({2004, 12, 31, 21, 5, 0});
    header.interval = 2.5F;
    return LogData(header, kTemp, kCh2);
}

void append(std::vector<std::string>& out, const std::vector<AxisLabel>& labels) {
    for (const AxisLabel& l : labels) {
        out.push_back(l.text);
    }
}

// The texts a diagram, its data window, its status bar and an export show for one file.
std::vector<std::string> offlineTexts(const LocaleFormat& locale, const char* language) {
    std::vector<std::string> out;
    const LogData log = sampleLog();
    const DiagramGeometry geometry(9000, 5000);
    const TimeGrid grid{fromCivil({2004, 12, 31, 21, 5, 0}), 2.5F};
    const ViewRange view{0, 6};

    append(out, timeAxisLabels(geometry, view, grid, true, true, locale));
    append(out, valueAxisLabels(geometry, ValueScale{1040.0F, -15.0F}, locale));
    append(out, valueAxisLabels(geometry, autoScaleOf(log, view), locale));
    for (std::int64_t record = 0; record < 6; ++record) {
        const RecordReadout r = recordReadout(log, record, grid.timeOfRecord(record), locale);
        out.insert(out.end(), {r.temperature, r.channel2, r.time});
    }
    const StatisticsReadout s = statisticsReadout(markerStatistics(log, RecordSpan{0, 5}), locale);
    out.insert(out.end(), {s.tempMax, s.tempMin, s.tempAverage, s.ch2Max, s.ch2Min, s.ch2Average});
    const ViewStatus status = viewStatus(view, true, grid, locale);
    out.insert(out.end(), {status.frames, status.from, status.to});
    for (const double v : {0.1, -2.25, 1031.0, 1e21, 123456.789}) {
        out.push_back(roundedText(v, 2, locale));
        out.push_back(valueLabelText(v, locale));
    }

    ExportSource source;
    source.fileTitle = "a.dat";
    source.serial = "SIM00001";
    source.recordCount = 6;
    source.startTime = grid.startTime;
    source.intervalSeconds = 2.5F;
    out.push_back(test::exportText(source, 0, kTemp, kCh2, test::textsIn(language), locale));
    out.push_back(test::csvText(log, 0, 6,
                                language == std::string("de") ? germanCsvOptions() : CsvOptions{}));
    return out;
}

TEST(OfflineTextsLocale, SameTextsUnderEveryDesktopLocale) {
    const GermanFormat german;
    const EnglishFormat english;
    const std::vector<std::string> germanInC = offlineTexts(german, "de");
    const std::vector<std::string> englishInC = offlineTexts(english, "eng");
    // The separators are the format's: a spot check that the texts are what the windows show.
    EXPECT_EQ(valueLabelText(30.6, german), " 30,6 ");
    EXPECT_EQ(roundedText(1031.0, 1, english), "1031");
    const std::string& germanExport = germanInC[germanInC.size() - 2];
    const std::string& englishExport = englishInC[englishInC.size() - 2];
    EXPECT_NE(germanExport.find("Intervall(s): 2,5"), std::string::npos) << germanExport;
    EXPECT_NE(englishExport.find("1 1031.5 45.56"), std::string::npos) << englishExport;
    EXPECT_NE(germanInC.back().find(";1031,5;45,555"), std::string::npos) << germanInC.back();

    for (const char* cLocale : test::kDesktopLocales) {
        SCOPED_TRACE(cLocale);
        const test::ScopedCLocale scoped(cLocale);
        ASSERT_TRUE(scoped.ok());
        EXPECT_EQ(offlineTexts(german, "de"), germanInC);
        EXPECT_EQ(offlineTexts(english, "eng"), englishInC);
    }
}

} // namespace
} // namespace orv
