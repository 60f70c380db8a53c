// The report from a diagram window in the live program: File > Report and the toolbar button
// ask where to save, write a PDF of the visible records that poppler reads back, and a failure
// says so.
#include "shell/ShellTestSupport.h"

#include "alarms/AlarmEventsFile.h"
#include "offline/DiagramTestFiles.h"
#include "offline/DiagramWindows.h"
#include "offline/frmOfflGraf.h"

#include <QAction>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace orv {
namespace {

using test::ShellProgram;
using test::TempDir;
using test::waitFor;

bool popplerAvailable() {
    return std::system("command -v pdftotext >/dev/null && command -v pdfinfo >/dev/null") == 0;
}

std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) {
            out.append(buf, n);
        }
        ::pclose(pipe);
    }
    return out;
}

TEST(DiagramReport, FileMenuAndToolbarWriteTheVisibleRecordsAsPdf) {
    if (!popplerAvailable()) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    TempDir dir;
    ShellProgram p("[Main]\nLanguage=de\n", test::kGermanLocale);
    p.program->start();
    QAction* item = p.window().menus().mnuReport;
    EXPECT_FALSE(item->isEnabled()) << "no diagram window yet";

    test::writeWaveLog(dir.file("keller.dat"), 400, {.serial = "KELLER01"});
    // The recording warned of condensation from 08:30 to 08:45.
    AlarmEventsWriter events;
    ASSERT_TRUE(events.create(alarmEventsPathFor(dir.file("keller.dat"))));
    const double eight = 45292.0 + 8.0 / 24;
    ASSERT_TRUE(events.append({eight + 30.0 / 1440, 0, "margin<2", 1.5, true}));
    ASSERT_TRUE(events.append({eight + 45.0 / 1440, 0, "margin<2", 2.2, false}));
    events.close();
    p.prompts.files.push_back(dir.file("keller.dat").string());
    p.window().diagrams().mnuLogView_Click();
    ASSERT_EQ(p.window().diagrams().windows().size(), 1U);
    frmOfflGraf* w = p.window().diagrams().windows().front();
    ASSERT_TRUE(waitFor([w] { return !w->loading() && w->loaded(); }, 20000));
    ASSERT_TRUE(waitFor([item] { return item->isEnabled(); }));
    EXPECT_EQ(item->text().toStdString(), "Bericht (PDF)");
    EXPECT_EQ(w->reportButton()->text().toStdString(), "Bericht (PDF)");

    const auto pdf = dir.file("out/keller-bericht.pdf");
    std::filesystem::create_directories(pdf.parent_path());
    p.prompts.files.push_back(pdf.string());
    item->trigger();
    ASSERT_FALSE(p.prompts.fileDialogs.empty());
    const auto& asked = p.prompts.fileDialogs.back();
    EXPECT_EQ(asked.title, "Bericht speichern unter");
    EXPECT_EQ(asked.fileName, "keller.pdf");
    EXPECT_EQ(asked.filter, "PDF-Dateien (*.pdf)|*.pdf");
    ASSERT_TRUE(std::filesystem::exists(pdf));
    const std::string text = commandOutput("pdftotext -layout '" + pdf.string() + "' -");
    for (const char* part :
         {"Bericht keller.dat", "Sensor: KELLER01", "Datensätze: 400", "Abstand zum Taupunkt (K)",
          "Seite 1 von 1", "margin<2", "01.01.2024 08:30:00", "01.01.2024 08:45:00", "1,5"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    }
    EXPECT_NE(commandOutput("pdfinfo '" + pdf.string() + "'").find("A4"), std::string::npos);
    // The look of the page, for the eye.
    const std::string shot = ORV_BINARY_DIR "/screenshots/report-page-de";
    std::filesystem::create_directories(ORV_BINARY_DIR "/screenshots");
    EXPECT_EQ(
        std::system(
            ("pdftoppm -png -r 70 -singlefile '" + pdf.string() + "' '" + shot + "'").c_str()),
        0);

    // The toolbar button; a folder that does not exist cannot take the report.
    const std::size_t messages = p.prompts.asked.size();
    p.prompts.files.push_back(dir.file("no/such/folder/r.pdf").string());
    w->reportButton()->trigger();
    ASSERT_EQ(p.prompts.asked.size(), messages + 1);
    EXPECT_TRUE(
        p.prompts.asked.back().text.starts_with("Der Bericht konnte nicht geschrieben werden: "))
        << p.prompts.asked.back().text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("no")));

    qobject_cast<QMdiSubWindow*>(w->parentWidget())->close();
    ASSERT_TRUE(waitFor([item] { return !item->isEnabled(); }));
}

} // namespace
} // namespace orv
