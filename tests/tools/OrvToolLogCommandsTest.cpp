#include "logging/LogFormat.h"
#include "offline/ExportCommand.h"
#include "offline/LogTestData.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

namespace orv {
namespace {

using test::runTool;
using ToolRun = test::Run;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kStart = 38352.375; // 2004-12-31 09:00:00, exact in binary

std::string logBytes(const LogHeader& header, const std::vector<std::pair<float, float>>& records) {
    const auto head = encodeLogHeader(header);
    std::string bytes(head.begin(), head.end());
    for (const auto& [a, b] : records) {
        unsigned char rec[kLogRecordSize];
        encodeLogRecord(rec, a, b);
        bytes.append(reinterpret_cast<const char*>(rec), sizeof rec);
    }
    return bytes;
}

// Three records at one minute from 09:00, °C and humidity, sensor text "AB".
std::string sampleLog() {
    LogHeader h;
    h.recordCount = 3;
    h.startTime = kStart;
    h.interval = 60;
    h.text = "AB";
    return logBytes(h, {{21.125F, 45.5F}, {21.625F, kNaN}, {20.0F, -0.001F}});
}

class OrvToolLog : public ::testing::Test {
protected:
    void SetUp() override { test::writeFile(file_, sampleLog()); }
    test::TempDir dir_;
    std::string file_ = dir_.file("a.dat").string();
};

TEST_F(OrvToolLog, ExportIsTheDiagramExportByteForByte) {
    const ToolRun german = runTool({"export", file_});
    EXPECT_EQ(german.status, 0) << german.err;
    EXPECT_EQ(german.out, "Ausgangsdatensatz: a.dat Serial: AB       Datensätze: 3\r\n"
                          "Anfangszeit: 31.12.2004 09:00:00\r\n"
                          "Intervall(s): 60\r\n"
                          "Offset_zur_original_Datei: 0\r\n"
                          "Anzahl_der_Datensätze: 3\r\n"
                          "\r\n"
                          "#Datensatz Temperatur(°C) rel.Feuchte(%)\r\n"
                          "0 21,12 45,5\r\n"
                          "1 21,62 NaN\r\n"
                          "2 20 0\r\n");

    const auto outFile = dir_.file("part.txt").string();
    const ToolRun english =
        runTool({"export", file_, "--lang", "eng", "--start", "1", "--count", "2", "-o", outFile});
    EXPECT_EQ(english.status, 0) << english.err;
    EXPECT_EQ(english.out, "");
    EXPECT_EQ(test::readFile(outFile), "Sourcedatarecord: a.dat Serial: AB       Records: 3\r\n"
                                       "Starttime: 12/31/2004 9:00:00 AM\r\n"
                                       "Interval(s): 60\r\n"
                                       "Offset_related_to_original_file: 1\r\n"
                                       "Number_of_records: 2\r\n"
                                       "\r\n"
                                       "#Record Temperature(°C) rel.Humidity(%)\r\n"
                                       "0 21.62 NaN\r\n"
                                       "1 20 0\r\n");

    // English texts with German number and date formats.
    const ToolRun mixed = runTool({"export", file_, "--lang=eng", "--locale=de_DE"});
    EXPECT_PRED2(test::contains, mixed.out, "Starttime: 31.12.2004 09:00:00\r\n");
    EXPECT_PRED2(test::contains, mixed.out, "\r\n0 21,12 45,5\r\n");
}

TEST_F(OrvToolLog, CsvHasHeaderDateTimesAndChosenSeparators) {
    const ToolRun plain = runTool({"csv", file_});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.out, "time,temperature (°C),humidity (%)\r\n"
                         "2004-12-31 09:00:00,21.125,45.5\r\n"
                         "2004-12-31 09:01:00,21.625,\r\n"
                         "2004-12-31 09:02:00,20,-0.001\r\n");

    const auto outFile = dir_.file("excel.csv").string();
    const ToolRun excel = runTool(
        {"csv", file_, "--separator", ";", "--decimal", ",", "--bom", "--iso", "-o", outFile});
    EXPECT_EQ(excel.status, 0) << excel.err;
    EXPECT_EQ(test::readFile(outFile), "\xEF\xBB\xBFtime;temperature (°C);humidity (%)\r\n"
                                       "2004-12-31T09:00:00;21,125;45,5\r\n"
                                       "2004-12-31T09:01:00;21,625;\r\n"
                                       "2004-12-31T09:02:00;20;-0,001\r\n");
}

TEST_F(OrvToolLog, CsvWritesTheChosenRecordsOnly) {
    const std::string head = "time,temperature (°C),humidity (%)\r\n";
    const std::tuple<std::vector<std::string>, std::string> cases[] = {
        {{"--start", "1", "--count", "1"}, head + "2004-12-31 09:01:00,21.625,\r\n"},
        {{"--start=2"}, head + "2004-12-31 09:02:00,20,-0.001\r\n"},
        {{"--count", "1"}, head + "2004-12-31 09:00:00,21.125,45.5\r\n"},
        {{"--start", "3"}, head},
    };
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> args{"csv", file_};
        args.insert(args.end(), options.begin(), options.end());
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected) << testing::PrintToString(options);
    }
}

// The real program over a file of several read chunks, with gaps: a range across chunk edges
// comes out byte for byte as the loaded log's export and CSV.
TEST_F(OrvToolLog, RangesOfALargeFileAreTheLoadedLogsExportAndCsv) {
    const auto big = dir_.file("big.dat").string();
    ASSERT_EQ(runTool({"synth", big, "--records", "100000", "--gaps", "--seed", "3"}).status, 0);
    const LogData log = test::loadOrFail(big);
    const std::int64_t first = 32000;
    const std::int64_t count = 40000;
    const auto at = static_cast<std::size_t>(first);
    const auto n = static_cast<std::size_t>(count);

    const ToolRun exported = runTool({"export", big, "--lang", "eng", "--start",
                                      std::to_string(first), "--count", std::to_string(count)});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_TRUE(exported.out ==
                test::exportText(exportSourceOf(log, "big.dat"), first,
                                 test::valuesOf(log, Channel::Temperature, first, count),
                                 test::valuesOf(log, Channel::Channel2, first, count),
                                 test::textsIn("eng"), EnglishFormat()));

    const ToolRun csv = runTool({"csv", big, "--separator", ";", "--decimal", ",", "--start",
                                 std::to_string(first), "--count", std::to_string(count)});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_TRUE(csv.out == test::csvText(log, first, count, germanCsvOptions()));
}

// orv-tool without its drawing helper still runs every other command, and plot says what is
// missing instead of failing obscurely.
TEST_F(OrvToolLog, PlotWithoutItsDrawingHelperSaysWhatIsMissing) {
    const auto lonely = dir_.file("orv-tool");
    std::filesystem::copy_file(ORV_TOOL_PATH, lonely);
    const ToolRun info = test::run({lonely.string(), "info", file_});
    EXPECT_EQ(info.status, 0) << info.err;
    const ToolRun plot =
        test::run({lonely.string(), "plot", file_, "-o", dir_.file("a.png").string()});
    EXPECT_EQ(plot.status, 1);
    EXPECT_EQ(plot.out, "");
    EXPECT_EQ(plot.err, "orv-tool: plot: this command needs orv-tool-qt, which is not installed "
                        "(looked for " +
                            dir_.file("orv-tool-qt").string() + " and " +
                            (dir_.path().parent_path() / "libexec/visualorv/orv-tool-qt")
                                .lexically_normal()
                                .string() +
                            ")\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("a.png")));
}

// One rounding rule for times: the nearest second, in every command and both export languages.
TEST_F(OrvToolLog, AStartBetweenSecondsPrintsTheNearestSecondEverywhere) {
    const double k0800 = 45292.0 + 8.0 / 24; // 2024-01-01 08:00:00
    for (const auto& [offset, hms, englishHms] :
         {std::tuple{0.6, "08:00:01", "8:00:01 AM"}, std::tuple{0.4, "08:00:00", "8:00:00 AM"},
          std::tuple{-0.4, "08:00:00", "8:00:00 AM"}}) {
        LogHeader h;
        h.recordCount = 1;
        h.startTime = k0800 + offset / 86400;
        h.interval = 60;
        const auto path = dir_.file("odd-start.dat").string();
        test::writeFile(path, logBytes(h, {{20.0F, 50.0F}}));
        SCOPED_TRACE(hms);
        EXPECT_PRED2(test::contains, runTool({"info", path}).out,
                     std::string(R"("start":"2024-01-01T)") + hms + '"');
        EXPECT_PRED2(test::contains, runTool({"csv", path}).out,
                     std::string("\r\n2024-01-01 ") + hms + ",20,50\r\n");
        EXPECT_PRED2(test::contains, runTool({"csv", path, "--iso"}).out,
                     std::string("\r\n2024-01-01T") + hms + ",20,50\r\n");
        EXPECT_PRED2(test::contains, runTool({"export", path}).out,
                     std::string("Anfangszeit: 01.01.2024 ") + hms + "\r\n");
        EXPECT_PRED2(test::contains, runTool({"export", path, "--lang", "eng"}).out,
                     std::string("Starttime: 1/1/2024 ") + englishHms + "\r\n");
    }
}

TEST_F(OrvToolLog, StatsCoverTheInclusiveRangeAndSkipGaps) {
    const ToolRun all = runTool({"stats", file_});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, R"({"records":3,"from":0,"to":2,"temperature":{"min":20,"max":21.625,)"
                       R"("avg":20.916666666666668,"count":3},"channel2":{"min":-0.001,"max":45.5,)"
                       R"("avg":22.74949999997625,"count":2}})"
                       "\n");
    const ToolRun one = runTool({"stats", file_, "--from", "1", "--to", "1"});
    EXPECT_EQ(one.out, R"({"records":3,"from":1,"to":1,"temperature":{"min":21.625,"max":21.625,)"
                       R"("avg":21.625,"count":1},"channel2":{"min":null,"max":null,"avg":null,)"
                       R"("count":0}})"
                       "\n");
}

TEST_F(OrvToolLog, InfoDescribesHeaderAndCutShortFiles) {
    LogHeader h;
    h.recordCount = 5; // but only 2 records and half of a third follow
    h.tempUnitCode = 'F';
    h.ch2UnitCode = 'F';
    h.startTime = kStart;
    h.interval = 2.5F;
    h.text = "Quote\"12345";
    std::string bytes = logBytes(h, {{70.0F, 50.0F}, {71.0F, 51.0F}});
    bytes.append(4, '\0');
    const auto cut = dir_.file("cut.dat").string();
    test::writeFile(cut, bytes);

    const ToolRun info = runTool({"info", cut});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.err, "orv-tool: info: " + cut +
                            " is cut short: 2 of its 5 records are complete, only these are "
                            "used\n");
    EXPECT_EQ(info.out, R"({"records":2,"storedCount":5,"truncated":true,"interval":2.5,)"
                        R"("start":"2004-12-31T09:00:00","startDayNumber":38352.375,)"
                        R"("temperatureUnit":"°F","channel2Unit":"°F","channel2":"dewpoint",)"
                        R"("text":"Quote\"12","fileSize":67})"
                        "\n");

    // The export of a dew-point file in °F names its own units.
    const ToolRun exported = runTool({"export", cut, "--lang", "eng"});
    EXPECT_PRED2(test::contains, exported.out,
                 "\r\n#Record Temperature(°F) DewPoint(°F)\r\n0 70 50\r\n");

    // Every command that reads the records says in one line that it works on part of them;
    // a complete file gets no such line.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"stats", cut}, {"csv", cut}, {"export", cut}}) {
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "orv-tool: " + args[0] + ": " + cut +
                             " is cut short: 2 of its 5 records are complete, only these are "
                             "used\n");
        EXPECT_NE(r.out, "") << args[0];
        EXPECT_EQ(runTool({args[0], file_}).err, "") << args[0];
    }

    const ToolRun complete = runTool({"info", file_});
    EXPECT_PRED2(test::contains, complete.out, R"("records":3,"storedCount":3,"truncated":false)");
    EXPECT_PRED2(test::contains, complete.out, R"("text":"AB      ","fileSize":71})");
}

// A header with nothing usable as its start or interval is a data error whatever its count; an
// empty file with a good header (interval 0 from older files included) is fine.
TEST_F(OrvToolLog, EmptyFilesWithADamagedHeaderAreDataErrors) {
    const struct {
        const char* name;
        double start;
        float interval;
    } damaged[] = {
        {"nan-start", std::numeric_limits<double>::quiet_NaN(), 60},
        {"infinite-start", std::numeric_limits<double>::infinity(), 60},
        {"year-292278924", 1.0e11, 60},
        {"nan-interval", kStart, kNaN},
        {"infinite-interval", kStart, std::numeric_limits<float>::infinity()},
        {"interval-of-a-year", kStart, 31.0e6F},
    };
    for (const auto& d : damaged) {
        LogHeader h;
        h.recordCount = 0;
        h.startTime = d.start;
        h.interval = d.interval;
        const auto path = dir_.file(std::string(d.name) + ".dat").string();
        test::writeFile(path, logBytes(h, {}));
        for (const char* command : {"info", "stats", "csv", "export"}) {
            const ToolRun r = runTool({command, path});
            EXPECT_EQ(r.status, 1) << d.name << " " << command;
            EXPECT_EQ(r.out, "") << d.name << " " << command;
            EXPECT_PRED2(test::contains, r.err, "data error, the file may be damaged");
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        }
    }

    LogHeader h;
    h.recordCount = 0;
    h.startTime = kStart;
    h.interval = 0;
    const auto empty = dir_.file("empty.dat").string();
    test::writeFile(empty, logBytes(h, {}));
    const ToolRun info = runTool({"info", empty});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_PRED2(test::contains, info.out,
                 R"({"records":0,"storedCount":0,"truncated":false,"interval":0,)"
                 R"("start":"2004-12-31T09:00:00",)");
    const ToolRun csv = runTool({"csv", empty});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "time,temperature (°C),humidity (%)\r\n");
    EXPECT_PRED2(test::contains, runTool({"export", empty}).out,
                 "Anfangszeit: 31.12.2004 09:00:00\r\nIntervall(s): 0\r\n");
}

TEST_F(OrvToolLog, BadFilesAndArgumentsAreRefusedClearly) {
    std::string lower = sampleLog();
    lower.replace(9, 5, "orv32");
    const auto lowerFile = dir_.file("lower.dat").string();
    test::writeFile(lowerFile, lower);
    const auto missing = dir_.file("missing.dat").string();

    const std::vector<test::Refusal> cases = {
        {{"info", missing}, 1, "file not found"},
        {{"stats", lowerFile}, 1, "not a valid log file"},
        {{"info"}, 2, "exactly one log file"},
        {{"info", file_, file_}, 2, "exactly one log file"},
        {{"export", file_, "--count", "4"}, 2, "do not lie within"},
        {{"export", file_, "--start", "-1"}, 2, "--start"},
        {{"export", file_, "--lang", "fr"}, 2, "--lang"},
        {{"export", file_, "--locale", "fr_FR"}, 2, "--locale"},
        {{"export", file_, "-o", dir_.file("no/such/dir.txt").string()}, 1, "No such file"},
        {{"stats", file_, "--to", "3"}, 2, "0..2"},
        {{"stats", file_, "--from", "2", "--to", "1"}, 2, "does not lie within"},
        {{"csv", file_, "--separator", "."}, 2, "separator"},
        {{"csv", file_, "--separator", " "}, 2, "separator"},
        {{"csv", file_, "--separator", ":", "--iso"}, 2, "separator"},
        {{"csv", file_, "--decimal", "ab"}, 2, "--decimal"},
        {{"csv", file_, "--frobnicate"}, 2, "unknown option"},
        {{"csv", file_, "--start", "2", "--count", "2"}, 2, "do not lie within the 3 records"},
        {{"csv", file_, "--start", "4"}, 2, "do not lie within"},
        {{"csv", file_, "--count", "-1"}, 2, "--count"},
        // synth writes nothing the loader would refuse
        {{"synth", dir_.file("s.dat").string(), "--records", "2", "--interval", "86401"},
         2,
         "--interval wants a positive number of seconds up to 86400"},
    };
    test::expectRefusals({ORV_TOOL_PATH}, cases, "orv-tool: ", false);
}

} // namespace
} // namespace orv
