#include "offline/ExportCommand.h"

#include "ExportTestRig.h"
#include "offline/CsvWriter.h"
#include "offline/ExportWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

// One diagram window's export button over a real log file on disk.
class ExportCommandTest : public test::ExportRig {
protected:
    void SetUp() override {
        fs::create_directories(logDir());
        SyntheticLogOptions o;
        o.records = 500;
        o.gaps = true;
        o.serial = "AB";
        loadSynthetic("messung.dat", o);
        app.LogFileDir = logDir().string() + "/";
    }

    [[nodiscard]] fs::path logDir() const { return dir.path() / "logs"; }

    ExportCommand::Outcome exportView(ViewRange view, const fs::path& target, int filter = 1) {
        prompts.files.push_back(target.string());
        prompts.filters.push_back(filter);
        return exporter.cmdExport_Click(log, view, "messung.dat");
    }

    // What the engine writes for records first..first+count-1.
    std::string engineText(std::int64_t first, std::int64_t count) {
        std::vector<float> temperature(static_cast<std::size_t>(count));
        std::vector<float> channel2(static_cast<std::size_t>(count));
        log.channel(Channel::Temperature).copyTo(first, temperature);
        log.channel(Channel::Channel2).copyTo(first, channel2);
        return test::exportText(exportSourceOf(log, "messung.dat"), first, temperature, channel2,
                                strings, locale);
    }
};

TEST_F(ExportCommandTest, DialogSuggestsTheTitleInTheLoggerFolderThenTheLastFolder) {
    for (const char* language : {"de", "eng"}) {
        strings.selectLanguage(language);
        prompts.fileDialogs.clear();
        EXPECT_EQ(exporter.cmdExport_Click(log, {0, 10}, "messung.dat"),
                  ExportCommand::Outcome::Cancelled);
        ASSERT_EQ(prompts.fileDialogs.size(), 1U);
        const auto& d = prompts.fileDialogs[0];
        EXPECT_EQ(d.title, strings.textOr(242, "?"));
        EXPECT_EQ(d.filter,
                  strings.textOr(243, "?") + "|CSV (*.csv)|*.csv|" + strings.textOr(378, "?"));
        EXPECT_EQ(d.fileName, "messung");
        EXPECT_EQ(d.folder, app.LogFileDir);
        EXPECT_EQ(d.filterIndex, 1);
        EXPECT_TRUE(d.save);
    }
    EXPECT_TRUE(prompts.asked.empty()); // cancelling asks nothing and writes nothing
    EXPECT_TRUE(fs::is_empty(logDir()));

    fs::create_directories(dir.path() / "elsewhere");
    ASSERT_EQ(exportView({0, 10}, dir.path() / "elsewhere" / "x.txt"),
              ExportCommand::Outcome::Written);
    exporter.cmdExport_Click(log, {0, 10}, "abc");
    EXPECT_EQ(prompts.fileDialogs.back().folder, (dir.path() / "elsewhere").string());
    EXPECT_EQ(prompts.fileDialogs.back().fileName, ""); // a title without room for ".dat"
}

TEST_F(ExportCommandTest, TextExportHoldsExactlyTheVisibleRecords) {
    const fs::path out = logDir() / "zoom";
    ASSERT_EQ(exportView({100, 50}, out), ExportCommand::Outcome::Written);
    const std::string text = test::readFile(out); // the name as given, no extension added
    EXPECT_EQ(text, engineText(100, 50));

    // The engine's own tests check the layout; here: the whole file's count, the view's place.
    EXPECT_TRUE(
        text.starts_with("Ausgangsdatensatz: messung.dat Serial: AB       Datensätze: 500"));
    EXPECT_NE(text.find("\r\nOffset_zur_original_Datei: 100\r\nAnzahl_der_Datensätze: 50\r\n"),
              std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7 + 50);
}

TEST_F(ExportCommandTest, OverwriteAsksOnceAndNoKeepsTheFile) {
    const fs::path out = logDir() / "old.txt";
    test::writeFile(out, "precious\r\n");

    prompts.answers.push_back(Prompts::Answer::No);
    EXPECT_EQ(exportView({0, 20}, out), ExportCommand::Outcome::KeptExisting);
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text,
              "Die Datei " + out.string() + " ist vorhanden. Soll die Datei überschrieben weden?");
    EXPECT_EQ(prompts.asked[0].buttons, Prompts::Buttons::YesNo);
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::None);
    EXPECT_FALSE(prompts.fileDialogs.back().confirmOverwrite); // the dialog does not ask too
    EXPECT_EQ(test::readFile(out), "precious\r\n");

    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write);
    prompts.answers.push_back(Prompts::Answer::Yes);
    EXPECT_EQ(exportView({0, 20}, out), ExportCommand::Outcome::Written);
    EXPECT_EQ(test::readFile(out), engineText(0, 20));
    EXPECT_EQ(fs::status(out).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << "the replaced file's permissions stay";
    EXPECT_EQ(std::distance(fs::directory_iterator(logDir()), fs::directory_iterator()), 1)
        << "no temporary file is left beside the export";
}

TEST_F(ExportCommandTest, UnwritableFolderShowsText253AndCreatesNothing) {
    // Nobody may create files in /proc, not even root.
    EXPECT_EQ(exportView({0, 20}, "/proc/orv-export.txt"), ExportCommand::Outcome::Failed);
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text, "Datei konnte nicht angelegt werden.");
    EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
    EXPECT_FALSE(fs::exists("/proc/orv-export.txt"));

    strings.selectLanguage("eng");
    EXPECT_EQ(exportView({0, 20}, dir.path() / "no-such-folder" / "x.txt"),
              ExportCommand::Outcome::Failed);
    EXPECT_EQ(prompts.asked.back().text, "Unable to write file.");
}

TEST_F(ExportCommandTest, AFailedWriteLeavesTheOldFileWhole) {
    const fs::path out = logDir() / "old.txt";
    test::writeFile(out, "precious\r\n");
    // A real short write: the file size limit stops the export after 4 KiB.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    prompts.answers.push_back(Prompts::Answer::Yes);
    const auto outcome = exportView({0, 500}, out);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(outcome, ExportCommand::Outcome::Failed);
    EXPECT_EQ(prompts.asked.back().text, "Datei konnte nicht angelegt werden.");
    EXPECT_EQ(test::readFile(out), "precious\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(logDir()), fs::directory_iterator()), 1);
}

TEST_F(ExportCommandTest, CsvFollowsTheLanguageOfTheTexts) {
    struct Case {
        const char* language;
        bool dewPoint;
        const char* header;
        char separator;
        char decimal;
    };
    const Case cases[] = {
        {"de", false, "Zeit;Temperatur (°C);rel. Feuchte (%)", ';', ','},
        {"eng", false, "time,temperature (°C),rel. humidity (%)", ',', '.'},
        {"de", true, "Zeit;Temperatur (°F);Taupunkt (°F)", ';', ','},
        {"eng", true, "time,temperature (°F),dew point (°F)", ',', '.'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + (c.dewPoint ? " dew point" : " humidity"));
        SyntheticLogOptions o;
        o.records = 40;
        o.dewPoint = c.dewPoint;
        o.tempUnit = c.dewPoint ? 'F' : 'C';
        const fs::path dat = dir.file("csv.dat");
        ASSERT_EQ(writeSyntheticLog(dat, o), std::nullopt);
        log = test::loadOrFail(dat);
        strings.selectLanguage(c.language);

        const fs::path out = logDir() / "table";
        fs::remove(out.string() + ".csv");
        ASSERT_EQ(exportView({10, 5}, out, 2), ExportCommand::Outcome::Written);
        const std::string text = test::readFile(out.string() + ".csv"); // extension added

        CsvOptions expected;
        expected.separator = c.separator;
        expected.decimal = c.decimal;
        expected.byteOrderMark = true;
        const int shift = c.dewPoint ? 3 : 0;
        expected.timeName = strings.textOr(195 + shift, "?");
        expected.temperatureName = strings.textOr(193 + shift, "?");
        expected.channel2Name = strings.textOr(194 + shift, "?");
        EXPECT_EQ(text, test::csvText(log, 10, 5, expected));
        EXPECT_EQ(text.substr(0, 3 + std::string(c.header).size() + 2),
                  std::string("\xEF\xBB\xBF") + c.header + "\r\n");

        // The third filter: the same rows, each followed by the five humidity quantities.
        fs::remove(out.string() + ".csv");
        ASSERT_EQ(exportView({10, 5}, out, 3), ExportCommand::Outcome::Written);
        const std::string derived = test::readFile(out.string() + ".csv");
        const std::string sep(1, c.separator);
        std::size_t plainAt = 0;
        std::size_t derivedAt = 0;
        for (int row = 0; row < 6; ++row) {
            const std::size_t plainEnd = text.find("\r\n", plainAt);
            const std::size_t derivedEnd = derived.find("\r\n", derivedAt);
            ASSERT_NE(derivedEnd, std::string::npos);
            const std::string own = text.substr(plainAt, plainEnd - plainAt);
            const std::string line = derived.substr(derivedAt, derivedEnd - derivedAt);
            ASSERT_TRUE(line.starts_with(own + sep)) << line;
            const std::string extra = line.substr(own.size());
            EXPECT_EQ(std::count(extra.begin(), extra.end(), c.separator), 5) << line;
            if (row == 0) {
                EXPECT_TRUE(extra.starts_with(sep + strings.textOr(372, "?") + " (g/m³)")) << extra;
            } else {
                EXPECT_EQ(extra.find(sep + sep), std::string::npos) << "a value in each cell";
            }
            plainAt = plainEnd + 2;
            derivedAt = derivedEnd + 2;
        }
    }
}

} // namespace
} // namespace orv
