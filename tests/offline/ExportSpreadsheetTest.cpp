// The German CSV export read by a real spreadsheet: LibreOffice Calc with the German import
// settings (";" between cells, German number format) must see date-times and the exported
// numbers. (The English variant is the CSV of orv-tool, which Gnumeric reads in its own test.)
#include "offline/ExportCommand.h"

#include "ExportTestRig.h"
#include "offline/CsvWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// The CSV's lines without their CR LF.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos;
         pos = end + 2) {
        out.push_back(text.substr(pos, end - pos));
    }
    return out;
}

class ExportSpreadsheet : public test::ExportRig {
protected:
    void SetUp() override {
        SyntheticLogOptions o;
        o.records = 300;
        o.gaps = true;
        o.seed = 7;
        loadSynthetic("garten.dat", o);
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

    // The CSV as the English export writes it, without the byte order mark: what a
    // spreadsheet must give back from either file.
    CsvOptions englishCsv() const {
        CsvOptions o;
        o.timeName = strings.textOr(195, "?");
        o.temperatureName = strings.textOr(193, "?");
        o.channel2Name = strings.textOr(194, "?");
        return o;
    }

    const ViewRange view{40, 200}; // a zoomed view
};

TEST_F(ExportSpreadsheet, GermanCsvOpensAsNumbersInLibreOfficeCalc) {
    const fs::path csv = exportCsv("de");
    const fs::path outDir = dir.path() / "calc";
    // Import: separator ";" (59), quote '"' (34), UTF-8 (76), from line 1, language German
    // (1031); the workbook is written as flat ODF, whose cells carry their types.
    const std::string command =
        "cd " + quoted(dir.path()) + " && HOME=" + quoted(dir.path()) +
        " timeout 180 soffice -env:UserInstallation=file://" + dir.path().string() +
        "/lo-profile --headless --infilter='CSV:59,34,76,1,,1031' --convert-to fods --outdir " +
        quoted(outDir) + " " + quoted(csv) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string xml = test::readFile(outDir / "garten-de.fods");
    const auto want = linesOf(test::csvText(log, view.start, view.count, englishCsv()));
    ASSERT_EQ(want.size(), 1U + 200U);

    const std::regex rowPattern(R"(<table:table-row[^>]*>([\s\S]*?)</table:table-row>)");
    const std::regex cellPattern(
        R"(<table:table-cell([^>]*?)(?:/>|>([\s\S]*?)</table:table-cell>))");
    const std::regex attribute(R"re(([a-z:-]+)="([^"]*)")re");
    std::vector<std::vector<std::map<std::string, std::string>>> rows;
    for (auto r = std::sregex_iterator(xml.begin(), xml.end(), rowPattern);
         r != std::sregex_iterator(); ++r) {
        const std::string body = (*r)[1];
        auto& row = rows.emplace_back();
        for (auto c = std::sregex_iterator(body.begin(), body.end(), cellPattern);
             c != std::sregex_iterator(); ++c) {
            std::map<std::string, std::string> cell;
            const std::string attrs = (*c)[1];
            for (auto a = std::sregex_iterator(attrs.begin(), attrs.end(), attribute);
                 a != std::sregex_iterator(); ++a) {
                cell[(*a)[1]] = (*a)[2];
            }
            const int repeat = cell.contains("table:number-columns-repeated")
                                   ? std::stoi(cell["table:number-columns-repeated"])
                                   : 1;
            for (int k = 0; k < repeat && row.size() < 3; ++k) {
                row.push_back(cell);
            }
        }
    }
    ASSERT_GE(rows.size(), 1U + 200U);
    for (std::size_t i = 1; i <= 200; ++i) {
        SCOPED_TRACE(want[i]);
        const auto& row = rows[i];
        ASSERT_GE(row.size(), 1U);
        EXPECT_EQ(row[0].at("office:value-type"), "date");
        std::string when = want[i].substr(0, want[i].find(','));
        when[10] = 'T';
        EXPECT_EQ(row[0].at("office:date-value"),
                  when.ends_with("T00:00:00") ? when.substr(0, 10) : when);
        std::size_t from = want[i].find(',') + 1;
        for (std::size_t col = 1; col <= 2; ++col) {
            const std::size_t to = want[i].find(',', from);
            const std::string value = want[i].substr(from, to - from);
            from = to + 1;
            if (value.empty()) { // a gap: an empty cell
                EXPECT_TRUE(row.size() <= col || !row[col].contains("office:value-type"));
                continue;
            }
            ASSERT_GT(row.size(), col);
            EXPECT_EQ(row[col].at("office:value-type"), "float");
            EXPECT_EQ(std::stod(row[col].at("office:value")), std::stod(value));
        }
    }
}

} // namespace
} // namespace orv
