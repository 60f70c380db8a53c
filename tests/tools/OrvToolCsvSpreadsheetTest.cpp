// The CSV of orv-tool csv as a real spreadsheet reads it: gnumeric's ssconvert turns it into a
// workbook whose cells carry their types, under the real English and German system locales.
#include "ToolTestSupport.h"

#include "core/Psychrometrics.h"
#include "offline/DiagramTestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <utility>

namespace orv {
namespace {

constexpr double kStart = 38352.375; // 2004-12-31 09:00:00

struct Cell {
    int type = 0;       // 40: number (dates are numbers with a date format), 60: text
    std::string format; // the number format, "" for none
    std::string value;
};
using Sheet = std::map<std::pair<int, int>, Cell>; // (row, column)

bool ssconvertAvailable() {
    return std::system("command -v ssconvert >/dev/null 2>&1") == 0;
}

// The cells of the first sheet of `csv` as ssconvert reads it under `locale`.
Sheet readAsSpreadsheet(const test::TempDir& dir, const std::string& csv,
                        const std::string& locale) {
    const std::string workbook = dir.file("book.gnumeric").string();
    std::filesystem::remove(workbook);
    const test::Run convert = test::run(
        {"env", "LC_ALL=" + locale, "ssconvert", "-I", "Gnumeric_stf:stf_csvtab", csv, workbook});
    EXPECT_EQ(convert.status, 0) << convert.err;
    const test::Run xml = test::run({"gzip", "-dc", workbook});
    EXPECT_EQ(xml.status, 0) << xml.err;
    Sheet sheet;
    const std::regex cell(
        R"re(<gnm:Cell Row="(\d+)" Col="(\d+)" ValueType="(\d+)"(?: ValueFormat="([^"]*)")?>([^<]*)</gnm:Cell>)re");
    for (auto it = std::sregex_iterator(xml.out.begin(), xml.out.end(), cell);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        sheet[{std::stoi(m[1]), std::stoi(m[2])}] = {std::stoi(m[3]), m[4], m[5]};
    }
    return sheet;
}

void expectDateTime(const Sheet& sheet, int row, double dayNumber) {
    const auto it = sheet.find({row, 0});
    ASSERT_NE(it, sheet.end()) << "row " << row;
    EXPECT_EQ(it->second.type, 40) << "row " << row << ": " << it->second.value;
    EXPECT_NE(it->second.format.find("yy"), std::string::npos) << it->second.format;
    EXPECT_NEAR(std::stod(it->second.value), dayNumber, 1e-9) << "row " << row;
}

void expectNumber(const Sheet& sheet, int row, int column, double value) {
    const auto it = sheet.find({row, column});
    ASSERT_NE(it, sheet.end()) << "row " << row << " column " << column;
    EXPECT_EQ(it->second.type, 40) << it->second.value;
    EXPECT_EQ(it->second.format, "") << it->second.value;
    EXPECT_NEAR(std::stod(it->second.value), value, 1e-6) << it->second.value;
}

// The English variant as a .csv; the German one, with semicolons and decimal commas, as a .txt,
// from which gnumeric takes the separator it finds (for .csv it insists on commas).
struct SpreadsheetVariant {
    const char* name;
    std::vector<std::string> options;
    const char* file;
    const char* locale;
};
std::vector<SpreadsheetVariant> spreadsheetVariants() {
    return {{"English", {}, "en.csv", "en_US.UTF-8"},
            {"German", {"--separator", ";", "--decimal", ","}, "de.txt", "de_DE.UTF-8"}};
}

TEST(OrvToolCsvSpreadsheet, TimesAreDateTimesAndValuesNumbersInBothVariants) {
    if (!ssconvertAvailable()) {
        GTEST_SKIP() << "ssconvert (gnumeric) is not installed";
    }
    test::TempDir dir;
    const std::string log = dir.file("log.dat").string();
    test::writeLog(log, {21.125F, -3.25F, 20.0F}, {45.5F, test::kGap, 100.0F},
                   {.interval = 60, .startTime = kStart});

    std::vector<SpreadsheetVariant> variants = spreadsheetVariants();
    variants.push_back({"German with BOM",
                        {"--separator", ";", "--decimal", ",", "--bom"},
                        "de-bom.txt",
                        "de_DE.UTF-8"});
    for (const auto& v : variants) {
        SCOPED_TRACE(v.name);
        const std::string csv = dir.file(v.file).string();
        std::vector<std::string> args{"csv", log, "-o", csv};
        args.insert(args.end(), v.options.begin(), v.options.end());
        const test::Run r = test::runTool(args);
        ASSERT_EQ(r.status, 0) << r.err;

        const Sheet sheet = readAsSpreadsheet(dir, csv, v.locale);
        ASSERT_TRUE(sheet.contains({0, 2})) << test::readFile(csv);
        EXPECT_EQ(sheet.at({0, 0}).value, "time");
        EXPECT_EQ(sheet.at({0, 1}).value, "temperature (°C)");
        EXPECT_EQ(sheet.at({0, 2}).value, "humidity (%)");
        for (int k = 0; k < 3; ++k) {
            expectDateTime(sheet, k + 1, kStart + k / 1440.0);
        }
        expectNumber(sheet, 1, 1, 21.125);
        expectNumber(sheet, 1, 2, 45.5);
        expectNumber(sheet, 2, 1, -3.25);
        EXPECT_FALSE(sheet.contains({2, 2})) << "a gap is an empty cell";
        expectNumber(sheet, 3, 1, 20);
        expectNumber(sheet, 3, 2, 100);

        // The ISO form is what --iso is for; a spreadsheet keeps it as text.
        args.push_back("--iso");
        ASSERT_EQ(test::runTool(args).status, 0);
        const Sheet iso = readAsSpreadsheet(dir, csv, v.locale);
        ASSERT_TRUE(iso.contains({1, 0}));
        EXPECT_EQ(iso.at({1, 0}).type, 60);
        EXPECT_EQ(iso.at({1, 0}).value, "2004-12-31T09:00:00");
        expectNumber(iso, 1, 1, 21.125);
    }
}

TEST(OrvToolCsvSpreadsheet, DerivedColumnsAreNumbersBehindTheOwnOnes) {
    if (!ssconvertAvailable()) {
        GTEST_SKIP() << "ssconvert (gnumeric) is not installed";
    }
    test::TempDir dir;
    // A humidity file and a dew-point file of the same air: 21 °C, 50 % (dew point 10.1495 °C,
    // the program's); the dew-point file in °F, so both conversions are on the way.
    const std::string humidity = dir.file("rh.dat").string();
    const std::string dewPoint = dir.file("dp.dat").string();
    test::writeLog(humidity, {21.0F, test::kGap}, {50.0F, 50.0F}, {.startTime = kStart});
    test::writeLog(dewPoint, {69.8F, 69.8F}, {50.26911F, test::kGap},
                   {.startTime = kStart, .tempUnit = 'F', .ch2Unit = 'F'});
    const DerivedValues expected = deriveQuantities(21.0, 50.0, 950.0);
    const char* names[] = {"absolute humidity (g/m³)", "mixing ratio (g/kg)", "enthalpy (kJ/kg)",
                           "wet-bulb temperature (°C)", "condensation margin (K)"};
    const std::vector<SpreadsheetVariant> variants = spreadsheetVariants();
    for (const std::string& log : {humidity, dewPoint}) {
        for (const auto& v : variants) {
            SCOPED_TRACE(std::string(v.name) + " " + log);
            const std::string csv = dir.file(v.file).string();
            std::vector<std::string> args{"csv", log, "-o", csv, "--derived", "--pressure", "950"};
            args.insert(args.end(), v.options.begin(), v.options.end());
            const test::Run r = test::runTool(args);
            ASSERT_EQ(r.status, 0) << r.err;
            const Sheet sheet = readAsSpreadsheet(dir, csv, v.locale);
            ASSERT_TRUE(sheet.contains({0, 7})) << test::readFile(csv);
            EXPECT_EQ(sheet.at({0, 1}).value,
                      log == humidity ? "temperature (°C)" : "temperature (°F)");
            for (int q = 0; q < 5; ++q) {
                EXPECT_EQ(sheet.at({0, 3 + q}).value, names[q]);
                const auto cell = sheet.find({1, 3 + q});
                ASSERT_NE(cell, sheet.end()) << names[q];
                EXPECT_EQ(cell->second.type, 40) << cell->second.value;
                // Three decimals; the dew-point file goes through a float dew point.
                EXPECT_NEAR(std::stod(cell->second.value), expected[q], 2e-3) << names[q];
                EXPECT_FALSE(sheet.contains({2, 3 + q})) << "a gap gives empty cells";
            }
        }
    }
}

} // namespace
} // namespace orv
