// Alarms in the program: the dialog's check as the rule is typed, and the whole program against
// the simulated sensor: colours, beep, status text, the events file of a recording, silence.
#include "shell/ShellTestSupport.h"

#include "alarms/AlarmEventsFile.h"
#include "alarms/AlarmMonitor.h"
#include "alarms/dlgAlarms.h"
#include "core/Clock.h"
#include "link/LinkController.h"
#include "logging/frmInterval.h"
#include "logging/RecordingCommands.h"
#include "offline/DiagramView.h"
#include "offline/DiagramWindows.h"
#include "offline/frmData.h"
#include "offline/frmOfflGraf.h"
#include "shell/frmMain.h"
#include "state/ModMain.h"
#include "views/frmOnline.h"
#include "views/LiveWindows.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::waitFor;

StringTable tableIn(const char* language) {
    StringTable t;
    t.selectLanguage(language);
    return t;
}

struct Typed {
    const char* language;
    const char* text;
    const char* check; // what the check line shows (start of it)
    bool canAdd;
};

class DialogCheck : public testing::TestWithParam<Typed> {};

TEST_P(DialogCheck, TellsAsTheRuleIsTyped) {
    const StringTable texts = tableIn(GetParam().language);
    dlgAlarms dialog(texts, {"margin<2"});
    QTest::keyClicks(dialog.txtRule(), QString::fromUtf8(GetParam().text));
    const QString shown = dialog.lblCheck()->text();
    const QString check = QString::fromUtf8(GetParam().check);
    EXPECT_TRUE(check.isEmpty() ? shown.isEmpty() : shown.startsWith(check)) << shown.toStdString();
    EXPECT_EQ(dialog.cmdAdd()->isEnabled(), GetParam().canAdd);
    EXPECT_FALSE(dialog.cmdChange()->isEnabled()); // nothing selected
}

INSTANTIATE_TEST_SUITE_P(
    Typing, DialogCheck,
    testing::Values(Typed{"de", "", "", false}, Typed{"de", "   ", "", false},
                    Typed{"de", "humidity>70 for 60s", "Regel in Ordnung", true},
                    Typed{"eng", "Taupunkt>12 °C", "Rule is fine", true},
                    Typed{"de", "humidity>>70",
                          "'humidity>>70': Grenzwert fehlt oder ist keine Zahl ('>70')", false},
                    Typed{"eng", "temperature>20 %",
                          "'temperature>20 %': unit does not fit the quantity ('%')", false},
                    Typed{"eng", "luftdruck>1000", "'luftdruck>1000': unknown quantity", false}));

TEST(AlarmDialog, AddsChangesAndRemovesRules) {
    const StringTable texts = tableIn("eng");
    dlgAlarms dialog(texts, {"margin<2", "silence"});
    QTest::keyClicks(dialog.txtRule(), "humidity>70");
    QTest::keyClick(dialog.txtRule(), Qt::Key_Return); // Enter adds, it does not close
    EXPECT_EQ(dialog.rules(), (std::vector<std::string>{"margin<2", "silence", "humidity>70"}));
    EXPECT_TRUE(dialog.txtRule()->text().isEmpty());

    dialog.lstRules()->setCurrentRow(0); // the rule comes into the line for editing
    EXPECT_EQ(dialog.txtRule()->text(), "margin<2");
    EXPECT_TRUE(dialog.cmdChange()->isEnabled());
    dialog.txtRule()->setText("margin<3 hyst 0.5");
    dialog.cmdChange()->click();
    dialog.txtRule()->setText("margin<<3"); // a refused rule cannot replace a good one
    EXPECT_FALSE(dialog.cmdChange()->isEnabled());
    dialog.cmdChange()->click();
    EXPECT_EQ(dialog.rules(),
              (std::vector<std::string>{"margin<3 hyst 0.5", "silence", "humidity>70"}));

    dialog.lstRules()->setCurrentRow(1);
    dialog.cmdRemove()->click();
    EXPECT_EQ(dialog.rules(), (std::vector<std::string>{"margin<3 hyst 0.5", "humidity>70"}));
    EXPECT_FALSE(dialog.cmdRemove()->isEnabled());
}

bool red(QWidget* w) {
    return w->property("alarm").toBool();
}

std::string statusText(frmMain& w) {
    return w.statusBar()->currentMessage().toStdString();
}

// 20 °C and 93 %: the dew point is 18.8 °C, 1.2 K below the temperature.
const QStringList kCondensing{"--rate", "10", "--temp", "20.0", "--rh", "93.0"};

// Runs of shaded (red over white) columns along the middle row of `image`; gaps of a few pixels
// (grid lines under the shading) do not split a run.
int shadedRuns(const QImage& image) {
    int runs = 0;
    int gap = 100;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, image.height() / 2);
        const bool shaded =
            c.red() > 200 && c.green() > 150 && c.green() < 230 && c.blue() > 150 && c.blue() < 230;
        if (shaded) {
            runs += gap > 3 ? 1 : 0;
            gap = 0;
        } else {
            ++gap;
        }
    }
    return runs;
}

TEST(AlarmProgram, CondensationNearIsShownHeardRecordedAndFoundInTheDiagram) {
    test::Simulator sim(kCondensing);
    ASSERT_NE(sim.port(), 0);
    test::TempDir dir;
    ManualClock clock(46000.5);
    test::ShellProgram p(
        sim.ini("eng") + "[Alarms]\nRule1=margin<2\nRule3=pressure>1000\nRule4=temperature>25\n",
        test::kEnglishLocale, {}, &clock);
    p.program->start();
    frmMain& w = p.window();

    // The unreadable rule is named once; the others work.
    ASSERT_EQ(p.prompts.asked.size(), 1u);
    EXPECT_EQ(p.prompts.asked[0].text,
              "Invalid alarm rule in the settings; it is skipped:\n'pressure>1000': unknown "
              "quantity (temperature, humidity, dewpoint, margin, silence) ('pressure>1000')");
    EXPECT_EQ(w.alarms().ruleTexts().size(), 3u);

    ASSERT_TRUE(waitFor([&] { return red(w.txtTp()); }));
    EXPECT_FALSE(red(w.txtTemp()));
    EXPECT_FALSE(red(w.txtRH()));
    EXPECT_EQ(statusText(w), "Alarm: margin<2 (1.2)");
    QTest::qWait(300); // more frames, the same alarm: no second beep
    EXPECT_EQ(p.prompts.beeps, 1);

    // The online values window opened now shows the condensation alarm on its second value.
    w.menus().mnuOnline->trigger();
    ASSERT_NE(w.liveWindows()->online(), nullptr);
    EXPECT_FALSE(red(w.liveWindows()->online()->lblSen(0)));
    EXPECT_TRUE(red(w.liveWindows()->online()->lblSen(1)));
    w.liveWindows()->online()->close();
    w.showNormal();

    // A recording every 5 s starts its events file with the alarm that is on.
    const std::string log = dir.file("cellar.dat").string();
    p.prompts.files.push_back(log);
    w.menus().mnuOpenLog->trigger();
    frmInterval* interval = w.recording().intervalDialog();
    ASSERT_NE(interval, nullptr);
    interval->Slider1()->setValue(1);
    ASSERT_EQ(interval->SliderSeconds(), 5);
    interval->Command1()->click();
    w.menus().mnuStartLog->trigger();
    ASSERT_TRUE(p.app().LoggerActive);
    const auto records = [&](int n) {
        for (int k = 0; k < n; ++k) {
            const auto before = w.recording().logger().recordCount();
            clock.advanceSeconds(5);
            ASSERT_TRUE(waitFor([&] { return w.recording().logger().recordCount() > before; }));
        }
    };
    records(20);
    ASSERT_TRUE(std::filesystem::exists(alarmEventsPathFor(log)));

    // Rules changed while recording: the old alarm ends in the file, the colours follow.
    w.alarms().setRules({});
    EXPECT_FALSE(red(w.txtTp()));
    records(10);
    w.alarms().setRules({"humidity>90"});
    ASSERT_TRUE(waitFor([&] { return red(w.txtRH()); }));
    EXPECT_EQ(p.prompts.beeps, 2);
    records(10);
    w.menus().mnuCloseLog->trigger();

    const auto intervals = loadAlarmIntervals(log);
    ASSERT_TRUE(intervals.has_value());
    ASSERT_EQ(intervals->size(), 2u);
    EXPECT_EQ((*intervals)[0].rule, "margin<2");
    EXPECT_NEAR((*intervals)[0].value.value(), 1.2, 0.05);
    ASSERT_TRUE((*intervals)[0].end.has_value());
    EXPECT_NEAR((*(*intervals)[0].end - 46000.5) * 86400.0, 100.0, 0.5);
    EXPECT_EQ((*intervals)[1].rule, "humidity>90");
    EXPECT_FALSE((*intervals)[1].end.has_value());

    // The diagram of the recording: the data window lists both alarms, the plot shades them.
    p.prompts.files.push_back(log);
    w.diagrams().mnuLogView_Click();
    ASSERT_EQ(w.diagrams().windows().size(), 1u);
    frmOfflGraf* diagram = w.diagrams().windows().back();
    ASSERT_TRUE(waitFor([&] { return !diagram->loading() && diagram->loaded(); }));
    QTreeWidget& list = w.diagrams().data().alarmList();
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.headerItem()->text(3), "Duration");
    EXPECT_EQ(list.topLevelItem(0)->text(1), "margin<2");
    EXPECT_EQ(list.topLevelItem(0)->text(2), "1.2");
    EXPECT_EQ(list.topLevelItem(0)->text(3), "0:01:40");
    EXPECT_EQ(list.topLevelItem(1)->text(3), "until the recording ended");
    w.diagrams().data().cmData_Click(true);
    w.diagrams().data().grab().save(QStringLiteral(ORV_BINARY_DIR "/alarm-data-window.png"));
    w.resize(1000, 720);
    diagram->parentWidget()->resize(900, 520);
    QTest::qWait(50);
    const QImage image = diagram->plot()->grab().toImage();
    diagram->grab().save(QStringLiteral(ORV_BINARY_DIR "/alarm-diagram.png"));
    // Two shaded stretches with the alarm-free minute between them.
    EXPECT_EQ(shadedRuns(image), 2);
}

TEST(AlarmProgram, TheDialogStoresTheRulesAndSilenceIsAnAlarmInGerman) {
    auto sim = std::make_unique<test::Simulator>(QStringList{"--rate", "10"});
    ASSERT_NE(sim->port(), 0);
    LinkTimings quick;
    quick.timeoutMs = 150;
    test::ShellProgram p(sim->ini("de"), test::kGermanLocale, quick);
    p.program->start();
    frmMain& w = p.window();
    ASSERT_TRUE(waitFor([&] { return w.txtTemp()->text().contains(','); }));
    EXPECT_EQ(w.menus().mnuAlarms->text(), "&Alarme...");

    // Preferences > Alarms: type a rule, add it, OK.
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<dlgAlarms*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Alarme");
        QTest::keyClicks(dialog->txtRule(), "silence");
        dialog->cmdAdd()->click();
        dialog->accept();
    });
    w.menus().mnuAlarms->trigger();
    EXPECT_EQ(p.store().ReadIniString("Alarms", "Rule1", ""), "silence");
    EXPECT_FALSE(red(w.txtTemp()));

    sim.reset(); // the sensor falls silent
    ASSERT_TRUE(waitFor([&] { return red(w.txtTemp()) && red(w.txtRH()) && red(w.txtTp()); }));
    EXPECT_EQ(statusText(w), "Alarm: silence");
    EXPECT_EQ(p.prompts.beeps, 1);
}

} // namespace
} // namespace orv
