#include "offline/ExportWriter.h"

#include "core/DayNumber.h"
#include "OfflineTexts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace orv {
namespace {

using test::OfflineTexts;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string valueText(float v, const char* separator) {
    char buf[kMaxExportValueChars];
    return std::string(buf, formatExportValue(buf, v, separator));
}

TEST(ExportWriter, ValuesRoundToTwoDecimalsHalvesToEvenOnTheWidenedValue) {
    const struct {
        float value;
        const char* german;
        const char* english;
    } cases[] = {
        {21.125F, "21,12", "21.12"}, // exact tie, down to even
        {21.375F, "21,38", "21.38"}, // exact tie, up to even
        {21.625F, "21,62", "21.62"}, // exact tie, down to even
        {-3.125F, "-3,12", "-3.12"}, // ties are symmetric
        {21.355F, "21,35", "21.35"}, // the float lies below the decimal tie
        {0.015F, "0,01", "0.01"},    // likewise
        {20.0F, "20", "20"},         // no decimals for a whole number
        {21.5F, "21,5", "21.5"},     // no trailing zero
        {20.999F, "21", "21"},       // rounding carries into the integer part
        {-0.001F, "0", "0"},         // a negative zero is written 0
        {-0.005F, "0", "0"},         {-0.0F, "0", "0"},
        {-0.006F, "-0,01", "-0.01"}, {123456790528.0F, "123456790528", "123456790528"},
        {kNaN, "NaN", "NaN"},        {std::numeric_limits<float>::infinity(), "Inf", "Inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(valueText(c.value, ","), c.german) << c.value;
        EXPECT_EQ(valueText(c.value, "."), c.english) << c.value;
    }
}

TEST(ExportWriter, HugeValuesStayPositionalAndReadBack) {
    const float big = 3.0e38F;
    const std::string text = valueText(big, ".");
    EXPECT_EQ(text.find('e'), std::string::npos);
    EXPECT_EQ(static_cast<float>(std::stod(text)), big);
}

ExportSource sampleSource() {
    ExportSource s;
    s.fileTitle = "a.dat";
    s.serial = "AB      ";
    s.recordCount = 3;
    s.startTime = fromCivil({2004, 12, 31, 9, 5, 0});
    s.intervalSeconds = 60;
    return s;
}

std::string exportText(const ExportSource& source, std::int64_t viewStart,
                       const std::vector<float>& a, const std::vector<float>& b,
                       OfflineTexts::Language language, const LocaleFormat& locale) {
    test::TempDir dir;
    const auto path = dir.file("out.txt");
    const std::error_code ec =
        exportToFile(path, source, viewStart, a, b, OfflineTexts(language), locale);
    EXPECT_FALSE(ec) << ec.message();
    return test::readFile(path);
}

TEST(ExportWriter, WholeFileIsByteExactInBothLanguages) {
    const std::vector<float> temp{21.125F, 21.625F, 20.0F};
    const std::vector<float> ch2{45.5F, kNaN, -0.001F};
    const ExportSource source = sampleSource();

    EXPECT_EQ(exportText(source, 0, temp, ch2, OfflineTexts::Language::German, GermanFormat()),
              "Ausgangsdatensatz: a.dat Serial: AB       Datensätze: 3\r\n"
              "Anfangszeit: 31.12.2004 09:05:00\r\n"
              "Intervall(s): 60\r\n"
              "Offset_zur_original_Datei: 0\r\n"
              "Anzahl_der_Datensätze: 3\r\n"
              "\r\n"
              "#Datensatz Temperatur(°C) rel.Feuchte(%)\r\n"
              "0 21,12 45,5\r\n"
              "1 21,62 NaN\r\n"
              "2 20 0\r\n");

    EXPECT_EQ(exportText(source, 0, temp, ch2, OfflineTexts::Language::English, EnglishFormat()),
              "Sourcedatarecord: a.dat Serial: AB       Records: 3\r\n"
              "Starttime: 12/31/2004 9:05:00 AM\r\n"
              "Interval(s): 60\r\n"
              "Offset_related_to_original_file: 0\r\n"
              "Number_of_records: 3\r\n"
              "\r\n"
              "#Record Temperature(°C) rel.Humidity(%)\r\n"
              "0 21.12 45.5\r\n"
              "1 21.62 NaN\r\n"
              "2 20 0\r\n");
}

TEST(ExportWriter, ZoomedViewNumbersItsRecordsFromZero) {
    ExportSource source = sampleSource();
    source.recordCount = 200;
    source.intervalSeconds = 2.5F;
    source.serial = "A\rB\n    "; // control bytes must not break the lines
    const std::vector<float> temp{1.0F, 2.0F};
    const std::vector<float> ch2{3.0F, 4.0F};
    const std::string text =
        exportText(source, 100, temp, ch2, OfflineTexts::Language::German, GermanFormat());
    EXPECT_NE(text.find("Serial: A B      Datensätze: 200\r\n"), std::string::npos);
    EXPECT_NE(text.find("Intervall(s): 2,5\r\n"), std::string::npos);
    EXPECT_NE(text.find("Offset_zur_original_Datei: 100\r\n"), std::string::npos);
    EXPECT_NE(text.find("Anzahl_der_Datensätze: 2\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("(%)\r\n0 1 3\r\n1 2 4\r\n"));
}

TEST(ExportWriter, ColumnHeaderNamesTheFilesUnits) {
    using L = OfflineTexts::Language;
    const struct {
        L language;
        const char* temp;
        const char* ch2;
        const char* header;
    } cases[] = {
        {L::German, "°C", " %", "#Datensatz Temperatur(°C) rel.Feuchte(%)"},
        {L::German, "°F", " %", "#Datensatz Temperatur(°F) rel.Feuchte(%)"},
        {L::German, "°F", "°F", "#Datensatz Temperatur(°F) Taupunkt(°F)"},
        {L::German, " K", " %", "#Datensatz Temperatur(K) rel.Feuchte(%)"},
        {L::English, "°C", "°C", "#Record Temperature(°C) DewPoint(°C)"},
        {L::English, " K", " K", "#Record Temperature(K) DewPoint(K)"},
        {L::English, "°F", " %", "#Record Temperature(°F) rel.Humidity(%)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(exportColumnHeader(OfflineTexts(c.language), c.temp, c.ch2), c.header);
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
    const std::string text =
        exportText(source, 0, temp, ch2, OfflineTexts::Language::English, EnglishFormat());
    std::size_t lines = 0;
    for (const char c : text) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 7 + n);
    // 999 / 8 = 124.875 is a tie and goes to the even 124.88.
    EXPECT_TRUE(text.ends_with("\r\n149998 124.75 -2\r\n149999 124.88 -3\r\n"));
}

TEST(ExportWriter, FailuresAreReported) {
    const std::vector<float> one{1.0F};
    const OfflineTexts texts(OfflineTexts::Language::German);
    const GermanFormat locale;
    test::TempDir dir;
    EXPECT_TRUE(
        exportToFile(dir.file("missing/out.txt"), sampleSource(), 0, one, one, texts, locale));
    // A full disk: the write fails, not silently.
    EXPECT_EQ(exportToFile("/dev/full", sampleSource(), 0, one, one, texts, locale),
              std::errc::no_space_on_device);
    const std::vector<float> two{1.0F, 2.0F};
    EXPECT_EQ(exportToFile(dir.file("x.txt"), sampleSource(), 0, one, two, texts, locale),
              std::errc::invalid_argument);
}

} // namespace
} // namespace orv
