// The CSV export read by real spreadsheets: LibreOffice Calc with the German import settings
// (";" between cells, German number format) and Gnumeric's ssconvert for the English file. Both
// write the cells back as plain English CSV, which must hold exactly the exported numbers.
#include "offline/ExportCommand.h"

#include "core/Clock.h"
#include "logging/SyntheticLog.h"
#include "LogTestData.h"
#include "offline/CsvWriter.h"
#include "state/ModMain.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// The CSV of `log` as the English export writes it, without the byte order mark: what a
// spreadsheet must give back from either file.
std::string englishCsv(const LogData& log, std::int64_t first, std::int64_t count,
                       const CsvOptions& names, const fs::path& scratch) {
    CsvOptions o = names;
    o.separator = ',';
    o.decimal = '.';
    o.byteOrderMark = false;
    const int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_FALSE(writeCsv(fd, log, first, count, o));
    ::close(fd);
    return test::readFile(scratch);
}

// Lines with CR LF or LF, compared without their ends.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        out.push_back(line);
        pos = end + 1;
    }
    return out;
}

class ExportSpreadsheet : public ::testing::Test {
protected:
    void SetUp() override {
        SyntheticLogOptions o;
        o.records = 300;
        o.gaps = true;
        o.seed = 7;
        ASSERT_EQ(writeSyntheticLog(dir.file("garten.dat"), o), std::nullopt);
        log = test::loadOrFail(dir.file("garten.dat"));
    }

    fs::path exportCsv(const char* language) {
        strings.selectLanguage(language);
        const fs::path out = dir.file(std::string("garten-") + language + ".csv");
        prompts.files.push_back(out.string());
        prompts.filters.push_back(2);
        EXPECT_EQ(exporter.cmdExport_Click(log, view, "garten.dat"),
                  ExportCommand::Outcome::Written);
        return out;
    }

    CsvOptions columnNames() const {
        CsvOptions o;
        o.timeName = strings.textOr(195, "?");
        o.temperatureName = strings.textOr(193, "?");
        o.channel2Name = strings.textOr(194, "?");
        return o;
    }

    test::TempDir dir;
    IniStore ini{dir.file("VisualORV.Ini")};
    StringTable strings = test::textsIn("de");
    GermanFormat locale;
    ManualClock clock;
    ModMain app{ini, strings, locale, clock};
    test::ScriptedPrompts prompts;
    ExportCommand exporter{app, prompts};
    LogData log;
    const ViewRange view{40, 200}; // a zoomed view
};

TEST_F(ExportSpreadsheet, GermanCsvOpensAsNumbersInLibreOfficeCalc) {
    const fs::path csv = exportCsv("de");
    const fs::path outDir = dir.path() / "calc";
    // Import: separator ";" (59), quote '"' (34), UTF-8 (76), from line 1, language German
    // (1031). Export: "," (44), English (1033).
    const std::string command =
        "cd " + quoted(dir.path()) + " && HOME=" + quoted(dir.path()) +
        " timeout 180 soffice -env:UserInstallation=file://" + dir.path().string() +
        "/lo-profile --headless --infilter='CSV:59,34,76,1,,1031' "
        "--convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,1033' --outdir " +
        quoted(outDir) + " " + quoted(csv) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto got = linesOf(test::readFile(outDir / csv.filename()));
    const auto want =
        linesOf(englishCsv(log, view.start, view.count, columnNames(), dir.file("expected.csv")));
    ASSERT_EQ(got.size(), 1U + 200U);
    EXPECT_EQ(got, want);
}

TEST_F(ExportSpreadsheet, EnglishCsvOpensAsNumbersInGnumeric) {
    const fs::path csv = exportCsv("eng");
    const fs::path back = dir.file("back.csv");
    const std::string command = "LC_ALL=en_US.UTF-8 timeout 120 ssconvert --export-type="
                                "Gnumeric_stf:stf_csv " +
                                quoted(csv) + " " + quoted(back) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto got = linesOf(test::readFile(back));
    const auto want =
        linesOf(englishCsv(log, view.start, view.count, columnNames(), dir.file("expected.csv")));
    ASSERT_EQ(got.size(), 1U + 200U);
    // Gnumeric quotes texts with blanks, reads the ISO times as date-times and writes them its
    // own way; the values must come back as the numbers that were written.
    for (std::size_t i = 0; i < got.size(); ++i) {
        std::string line = got[i];
        std::erase(line, '"');
        EXPECT_EQ(line.substr(line.find(',')), want[i].substr(want[i].find(',')));
    }
}

} // namespace
} // namespace orv
