// Recording from the main window: New / Start / Close from the menu and the toolbar with a real
// simulated sensor on the network link, a manual clock for the interval grid, scripted file
// dialogs and messages, and the file checked by the log loader.
#include "ShellTestSupport.h"

#include "core/Clock.h"
#include "core/FrameChecksum.h"
#include "logging/DataLogger.h"
#include "logging/frmInterval.h"
#include "logging/IntervalScale.h"
#include "logging/LoggerTestSupport.h"
#include "logging/RecordingCommands.h"
#include "offline/LogTestData.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

constexpr double kStart = 46000.5; // 2025-12-09 12:00:00

// The simulated sensor: 20 frames a second of 21 °C and 50 %.
const QStringList kSimulatorArgs{"--rate", "20",   "--temp",          "21.0",
                                 "--rh",   "50.0", "--serial-number", "SIM00042"};

// "NSC PD 567": which logger commands the window offers (menu new/start/close, interface,
// display settings, toolbar buttons 5..7); '-' for a disabled one.
std::string offered(frmMain& w) {
    const MainMenus& m = w.menus();
    const auto f = [](QAction* a, char c) {
        return a->isEnabled() ? c : '-';
    };
    return {f(m.mnuOpenLog, 'N'),
            f(m.mnuStartLog, 'S'),
            f(m.mnuCloseLog, 'C'),
            ' ',
            f(m.mnuPort, 'P'),
            f(m.mnuMessw, 'D'),
            ' ',
            f(m.button[5], '5'),
            f(m.button[6], '6'),
            f(m.button[7], '7')};
}

std::string panel(frmMain& w, int n) {
    return w.sbrLogPanel(n)->text().toStdString();
}

int countAsked(const test::ScriptedPrompts& prompts, const std::string& text) {
    int n = 0;
    for (const auto& a : prompts.asked) {
        n += a.text == text ? 1 : 0;
    }
    return n;
}

// Confirms `seconds` in the interval dialog, which must be open.
void confirmInterval(frmMain& w, int seconds) {
    frmInterval* dialog = w.recording().intervalDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    int position = 1;
    while (sliderSeconds(position) < seconds) {
        ++position;
    }
    dialog->Slider1()->setValue(position);
    ASSERT_EQ(dialog->SliderSeconds(), seconds);
    dialog->Command1()->click();
}

TEST(Recording, RecordsTheSimulatorOnTheGridFromTheMenuInGerman) {
    test::Simulator sim(kSimulatorArgs);
    ASSERT_NE(sim.port(), 0);
    test::TempDir dir;
    const std::string file = dir.file("rec.dat").string();
    ManualClock clock(kStart);
    ShellProgram p(sim.ini("de"), test::kGermanLocale, {}, &clock);
    p.program->start();
    frmMain& w = p.window();
    ASSERT_TRUE(waitFor([&] { return w.txtTemp()->text() == "21,0 °C"; }))
        << w.txtTemp()->text().toStdString();

    EXPECT_EQ(offered(w), "N-- PD 5--");
    EXPECT_EQ(panel(w, 2), " inaktiv (keine Datei geöffnet) ");

    // New: the save dialog, then the interval dialog (no interval yet), which does not block
    p.prompts.files.push_back(file);
    w.menus().mnuOpenLog->trigger();
    ASSERT_EQ(p.prompts.fileDialogs.size(), 1U);
    const Prompts::FileDialog& asked = p.prompts.fileDialogs[0];
    EXPECT_EQ(asked.title, "Logdatei speichern unter");
    EXPECT_EQ(asked.filter, "dat-Dateien (*.dat)|*.dat|alle Dateien (*.*)|*.*");
    EXPECT_EQ(asked.folder, p.location().folder);
    EXPECT_TRUE(asked.save);
    EXPECT_TRUE(asked.confirmOverwrite);
    EXPECT_EQ(p.app().LogFileDir, dir.path().string() + "/");
    EXPECT_EQ(panel(w, 2), "inaktiv: rec.dat");
    EXPECT_EQ(offered(w), "-SC PD -67");
    ASSERT_NE(w.recording().intervalDialog(), nullptr);
    EXPECT_TRUE(w.recording().intervalDialog()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    w.recording().intervalDialog()->grab().save(
        QStringLiteral(ORV_BINARY_DIR "/recording-interval-dialog.png"));
    confirmInterval(w, 30);

    // Start from the toolbar: the first record at once, then one per 30 s of the clock
    w.menus().button[6]->trigger();
    EXPECT_EQ(panel(w, 2), "aktiv: rec.dat");
    EXPECT_EQ(panel(w, 3), "Intervall(s): 0 Min 30s ");
    EXPECT_EQ(offered(w), "--C -- --7");
    EXPECT_TRUE(p.app().LoggerActive);
    for (int k = 2; k <= 5; ++k) {
        clock.advanceSeconds(29.0);
        QTest::qWait(250);
        ASSERT_EQ(w.recording().logger().recordCount(), k - 1) << "not yet due";
        clock.advanceSeconds(1.0);
        const std::string expected = "Intervall(s): 0 Min 30s Frame: " + std::to_string(k) + " ";
        ASSERT_TRUE(waitFor([&] { return panel(w, 3) == expected; })) << panel(w, 3);
    }

    w.resize(760, 400);
    QTest::qWait(50); // the status bar lays out the longer panel text
    w.grab().save(QStringLiteral(ORV_BINARY_DIR "/recording-main-window.png"));
    if (!qEnvironmentVariableIsEmpty("ORV_RECORDING_SCREEN")) {
        // Under a real X server: the whole screen with the interval dialog beside the window.
        w.recording().intervalDialog()->showDialog();
        QTest::qWait(500);
        std::system(("import -window root " + qEnvironmentVariable("ORV_RECORDING_SCREEN"))
                        .toLocal8Bit()
                        .constData());
        w.recording().intervalDialog()->hide();
    }

    // minimised, the title carries the mark; closing is refused while recording
    w.showMinimized();
    ASSERT_TRUE(waitFor([&] { return w.windowTitle().endsWith("  (Rec)"); }))
        << w.windowTitle().toStdString();
    w.showNormal();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(p.asked("Datenlogger ist noch aktiv!"));
    EXPECT_TRUE(w.isVisible());

    w.menus().mnuCloseLog->trigger();
    EXPECT_EQ(panel(w, 2), "abgeschlossene Logdatei: rec.dat 5 Frames");
    EXPECT_EQ(panel(w, 3), "");
    EXPECT_EQ(offered(w), "NSC -D 567");
    EXPECT_FALSE(p.app().LoggerActive);

    const LogData log = test::loadOrFail(file);
    ASSERT_EQ(log.size(), 5);
    EXPECT_EQ(log.header().interval, 30.0f);
    EXPECT_DOUBLE_EQ(log.header().startTime, kStart);
    EXPECT_EQ(log.header().tempUnitCode, 'C');
    EXPECT_EQ(log.header().ch2UnitCode, '%');
    EXPECT_EQ(log.header().text, "SIM00042");
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(log.value(Channel::Temperature, k), 21.0f) << k;
        EXPECT_EQ(log.value(Channel::Channel2, k), 50.0f) << k;
    }

    // Start again into the finished file: asked first; No keeps it, Yes replaces it
    const std::string question =
        "Die Datei rec.dat ist vorhanden. Soll die Datei überschrieben weden?";
    p.prompts.answers = {Prompts::Answer::No};
    w.menus().mnuStartLog->trigger();
    EXPECT_TRUE(p.asked(question));
    EXPECT_EQ(test::loadOrFail(file).size(), 5);
    EXPECT_EQ(panel(w, 2), "abgeschlossene Logdatei: rec.dat 5 Frames");
    p.prompts.answers = {Prompts::Answer::Yes};
    w.menus().mnuStartLog->trigger();
    EXPECT_EQ(countAsked(p.prompts, question), 2);
    EXPECT_EQ(panel(w, 2), "aktiv: rec.dat");
    EXPECT_EQ(std::filesystem::file_size(file), 55U);
    w.menus().button[7]->trigger();

    // Close outside a recording forgets the file; the menu's start then only beeps
    w.menus().mnuCloseLog->trigger();
    EXPECT_EQ(panel(w, 2), " inaktiv (keine Datei geöffnet) ");
    EXPECT_EQ(offered(w), "NS- PD 5--");
    w.menus().mnuStartLog->trigger();
    EXPECT_EQ(p.prompts.beeps, 1);

    // the folder is remembered at exit
    ASSERT_TRUE(w.close());
    EXPECT_EQ(readSetting(p.store(), keys::LogPathDestination), dir.path().string() + "/");
}

TEST(Recording, StartWithoutAnIntervalAsksForItAndMissedSlotsAreEmptyInEnglish) {
    test::Simulator sim(kSimulatorArgs);
    ASSERT_NE(sim.port(), 0);
    test::TempDir dir;
    const std::string file = dir.file("f.dat").string();
    ManualClock clock(kStart);
    ShellProgram p(sim.ini("eng"), test::kEnglishLocale, {}, &clock);
    p.program->start();
    frmMain& w = p.window();
    ASSERT_TRUE(waitFor([&] { return w.txtTemp()->text() == "21.0 °C"; }));
    EXPECT_EQ(panel(w, 2), " inactive (no open file) ");

    // the toolbar's new file; the interval dialog is closed without Ok
    p.prompts.files.push_back(file);
    w.menus().button[5]->trigger();
    EXPECT_TRUE(w.recording().NewFileFromToolbar());
    EXPECT_EQ(panel(w, 2), "inactive: f.dat");
    ASSERT_NE(w.recording().intervalDialog(), nullptr);
    w.recording().intervalDialog()->close();

    // Start never records below 5 s: it asks for the interval, and Ok starts
    w.menus().button[6]->trigger();
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(panel(w, 2), "inactive: f.dat");
    EXPECT_FALSE(p.app().LoggerActive);
    confirmInterval(w, 90);
    EXPECT_TRUE(p.app().LoggerActive);
    EXPECT_EQ(panel(w, 2), "active: f.dat");
    EXPECT_EQ(panel(w, 3), "Interval(s): 1 Min 30s ");
    // the flags switch the panels' language at once
    w.cmdGer_Click();
    EXPECT_EQ(panel(w, 2), "aktiv: f.dat");
    EXPECT_EQ(panel(w, 3), "Intervall(s): 1 Min 30s ");
    w.cmdUk_Click();

    // the computer slept for three intervals: two empty records, then the value
    clock.advanceSeconds(3 * 90.0 + 1.0);
    ASSERT_TRUE(waitFor([&] { return panel(w, 3) == "Interval(s): 1 Min 30s Frame: 4 "; }))
        << panel(w, 3);
    w.menus().mnuCloseLog->trigger();
    EXPECT_EQ(panel(w, 2), "finished logfile: f.dat 4 Frames");
    const LogData log = test::loadOrFail(file);
    ASSERT_EQ(log.size(), 4);
    EXPECT_TRUE(std::isnan(log.value(Channel::Temperature, 1)));
    EXPECT_TRUE(std::isnan(log.value(Channel::Channel2, 2)));
    EXPECT_EQ(log.value(Channel::Temperature, 3), 21.0f);

    // after the toolbar was used, every new file asks for the interval again
    w.recording().intervalDialog()->hide();
    p.prompts.files.push_back(dir.file("g.dat").string());
    w.menus().mnuOpenLog->trigger();
    EXPECT_TRUE(w.recording().intervalDialog()->isVisible());
    EXPECT_EQ(w.recording().intervalDialog()->SliderSeconds(), 90);
    // a cancelled dialog changes nothing
    w.menus().mnuCloseLog->trigger();
    w.menus().mnuOpenLog->trigger();
    EXPECT_EQ(panel(w, 2), " inactive (no open file) ");
    ASSERT_TRUE(w.close());
}

TEST(Recording, TerminationRequestEndsTheRecordingCleanlyAndTheProgram) {
    test::Simulator sim(kSimulatorArgs);
    ASSERT_NE(sim.port(), 0);
    test::TempDir dir;
    const std::string file = dir.file("t.dat").string();
    ManualClock clock(kStart);
    ShellProgram p(sim.ini("eng"), test::kEnglishLocale, {}, &clock);
    p.program->start();
    frmMain& w = p.window();
    ASSERT_TRUE(waitFor([&] { return w.txtTemp()->text() == "21.0 °C"; }));
    p.prompts.files.push_back(file);
    w.menus().mnuOpenLog->trigger();
    confirmInterval(w, 10);
    w.menus().mnuStartLog->trigger();
    ASSERT_TRUE(p.app().LoggerActive);
    clock.advanceSeconds(20.0);
    ASSERT_TRUE(waitFor([&] { return w.recording().logger().recordCount() == 3; }));

    // The user's close is refused; a termination signal stops the recording and ends.
    EXPECT_FALSE(w.close());
    QSignalSpy ended(&w, &frmMain::programEnded);
    w.requestClose();
    ASSERT_TRUE(ended.count() == 1 || ended.wait(3000));
    EXPECT_FALSE(p.app().LoggerActive);
    EXPECT_EQ(readSetting(p.store(), keys::LogPathDestination), dir.path().string() + "/");
    const LogData log = test::loadOrFail(file);
    ASSERT_EQ(log.size(), 3);
    EXPECT_FALSE(log.truncated());
    EXPECT_EQ(log.value(Channel::Temperature, 2), 21.0f);
}

TEST(Recording, FailuresAreToldOnceAndAHugeClockJumpEndsTheRecording) {
    test::TempDir dir;
    const std::string file = dir.file("x.dat").string();
    ManualClock clock(kStart);
    ShellProgram p("[Main]\nLanguage=eng\n", test::kEnglishLocale, {}, &clock);
    p.program->start();
    frmMain& w = p.window();
    const std::string unableToWrite = "Unable to write file.";

    // no sample yet: text 253, the file stays chosen
    p.prompts.files.push_back(file);
    w.menus().mnuOpenLog->trigger();
    confirmInterval(w, 10);
    w.menus().mnuStartLog->trigger();
    EXPECT_EQ(countAsked(p.prompts, unableToWrite), 1);
    EXPECT_EQ(panel(w, 2), "inactive: x.dat");
    EXPECT_EQ(offered(w), "-SC PD -67");

    const std::string frame = *buildFrame("@T;+021.00;C;F;050.00;%;S/N;SIM00001;", "\r\n");
    p.app().measurement.ParseFrame(frame);
    w.menus().mnuStartLog->trigger();
    ASSERT_TRUE(p.app().LoggerActive);
    {
        // the disk is full: one message for the whole run of failed records
        test::FileSizeLimit diskFull(47 + 8);
        for (int k = 0; k < 4; ++k) {
            clock.advanceSeconds(10.0);
            const auto before = w.recording().logger().recordCount();
            ASSERT_TRUE(waitFor([&] { return w.recording().logger().recordCount() > before; }));
        }
        EXPECT_EQ(countAsked(p.prompts, unableToWrite), 2);
    }
    clock.advanceSeconds(10.0);
    ASSERT_TRUE(waitFor([&] { return w.recording().logger().pendingRecords() == 0; }));
    EXPECT_EQ(test::loadOrFail(file).size(), 6);

    // the clock is set a year ahead: the recording ends with a message instead of filling the disk
    clock.advanceSeconds(365 * 86400.0);
    ASSERT_TRUE(waitFor([&] { return !p.app().LoggerActive; }));
    EXPECT_TRUE(
        p.asked("The clock jumped ahead by more than 7 days. The recording has been stopped."));
    EXPECT_FALSE(w.recording().tmrLog().isActive());
    EXPECT_EQ(panel(w, 2), "finished logfile: x.dat 6 Frames");
    EXPECT_EQ(offered(w), "NSC -D 567");
    EXPECT_EQ(std::filesystem::file_size(file), 47U + 6 * 8);
    ASSERT_TRUE(w.close());
}

} // namespace
} // namespace orv
