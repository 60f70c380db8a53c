#include "offline/ExportWriter.h"

#include "core/DayNumber.h"
#include "LogTestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <tuple>
#include <vector>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(ExportWriter, ValuesRoundToTwoDecimalsHalvesToEvenOnTheWidenedValue) {
    const std::tuple<float, const char*> cases[] = {
        // more cases in the whole-file export below
        {21.375F, "21.38"}, // exact tie, up to even
        {-3.125F, "-3.12"}, // ties are symmetric
        {20.999F, "21"},    // rounding carries into the integer part
        {-0.006F, "-0.01"},
        {3.0e38F, "300000000549775575777803994281145270272"}, // positional, reads back
        {std::numeric_limits<float>::infinity(), "Inf"},
    };
    for (const auto& [value, text] : cases) {
        char buf[kMaxExportValueChars];
        EXPECT_EQ(std::string(buf, formatExportValue(buf, value, ".")), text) << value;
    }
}

ExportSource sampleSource() {
    ExportSource s;
    s.fileTitle = "a.dat";
    s.serial = "AB      ";
    s.recordCount = 4;
    s.startTime = fromCivil({2004, 12, 31, 9, 5, 0});
    s.intervalSeconds = 60;
    return s;
}

std::string exportText(const ExportSource& source, std::int64_t viewStart,
                       const std::vector<float>& a, const std::vector<float>& b,
                       const char* language, const LocaleFormat& locale) {
    return test::exportText(source, viewStart, a, b, test::textsIn(language), locale);
}

TEST(ExportWriter, WholeFileIsByteExactInBothLanguages) {
    // exact ties go to the even neighbour, 21.355F lies below its decimal tie, -0.001 is 0
    const std::vector<float> temp{21.125F, 21.625F, 21.355F, 20.0F};
    const std::vector<float> ch2{45.5F, kNaN, -0.001F, 1.0F};
    EXPECT_EQ(exportText(sampleSource(), 0, temp, ch2, "de", GermanFormat()),
              "Ausgangsdatensatz: a.dat Serial: AB       Datensätze: 4\r\n"
              "Anfangszeit: 31.12.2004 09:05:00\r\n"
              "Intervall(s): 60\r\n"
              "Offset_zur_original_Datei: 0\r\n"
              "Anzahl_der_Datensätze: 4\r\n"
              "\r\n"
              "#Datensatz Temperatur(°C) rel.Feuchte(%)\r\n"
              "0 21,12 45,5\r\n"
              "1 21,62 NaN\r\n"
              "2 21,35 0\r\n"
              "3 20 1\r\n");
    EXPECT_EQ(exportText(sampleSource(), 0, temp, ch2, "eng", EnglishFormat()),
              "Sourcedatarecord: a.dat Serial: AB       Records: 4\r\n"
              "Starttime: 12/31/2004 9:05:00 AM\r\n"
              "Interval(s): 60\r\n"
              "Offset_related_to_original_file: 0\r\n"
              "Number_of_records: 4\r\n"
              "\r\n"
              "#Record Temperature(°C) rel.Humidity(%)\r\n"
              "0 21.12 45.5\r\n"
              "1 21.62 NaN\r\n"
              "2 21.35 0\r\n"
              "3 20 1\r\n");
}

TEST(ExportWriter, ZoomedViewNumbersItsRecordsFromZero) {
    ExportSource source = sampleSource();
    source.recordCount = 200;
    source.intervalSeconds = 2.5F;
    source.serial = "A\rB\n    "; // control bytes must not break the lines
    const std::string text =
        exportText(source, 100, {1.0F, 2.0F}, {3.0F, 4.0F}, "de", GermanFormat());
    EXPECT_NE(text.find("Serial: A B      Datensätze: 200\r\n"), std::string::npos);
    EXPECT_NE(text.find("Intervall(s): 2,5\r\n"), std::string::npos);
    EXPECT_NE(text.find("Offset_zur_original_Datei: 100\r\n"), std::string::npos);
    EXPECT_NE(text.find("Anzahl_der_Datensätze: 2\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("(%)\r\n0 1 3\r\n1 2 4\r\n"));
}

TEST(ExportWriter, ColumnHeaderNamesTheFilesUnits) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"de", "°F", " %", "#Datensatz Temperatur(°F) rel.Feuchte(%)"},
        {"de", "°F", "°F", "#Datensatz Temperatur(°F) Taupunkt(°F)"},
        {"eng", " K", " K", "#Record Temperature(K) DewPoint(K)"},
    };
    for (const auto& [language, temp, ch2, header] : cases) {
        EXPECT_EQ(exportColumnHeader(test::textsIn(language), temp, ch2), header);
    }
}

TEST(ExportWriter, LongExportCrossesBufferBoundaries) {
    constexpr std::size_t n = 150000; // several megabytes of lines
    std::vector<float> temp(n);
    std::vector<float> ch2(n);
    for (std::size_t i = 0; i < n; ++i) {
        temp[i] = static_cast<float>(i % 1000) / 8; // many exact ties
        ch2[i] = -static_cast<float>(i % 77);
    }
    ExportSource source = sampleSource();
    source.recordCount = n;
    const std::string text = exportText(source, 0, temp, ch2, "eng", EnglishFormat());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<std::ptrdiff_t>(7 + n));
    // 999 / 8 = 124.875 is a tie and goes to the even 124.88.
    EXPECT_TRUE(text.ends_with("\r\n149998 124.75 -2\r\n149999 124.88 -3\r\n"));
}

TEST(ExportWriter, FailuresAreReported) {
    const std::vector<float> one{1.0F};
    const std::vector<float> two{1.0F, 2.0F};
    const StringTable texts = test::textsIn("de");
    const GermanFormat locale;
    test::TempDir dir;
    EXPECT_TRUE(
        exportToFile(dir.file("missing/out.txt"), sampleSource(), 0, one, one, texts, locale));
    // A full disk: the write fails, not silently.
    EXPECT_EQ(exportToFile("/dev/full", sampleSource(), 0, one, one, texts, locale),
              std::errc::no_space_on_device);
    EXPECT_EQ(exportToFile(dir.file("x.txt"), sampleSource(), 0, one, two, texts, locale),
              std::errc::invalid_argument);
}

} // namespace
} // namespace orv
