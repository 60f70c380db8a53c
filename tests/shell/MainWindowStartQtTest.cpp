// Start and shutdown of the main window: placement, first run, second copy, refused close, and
// the real program ending on SIGTERM/SIGINT.
#include "ShellTestSupport.h"

#include "link/LinkController.h"
#include "platform/ScreenTwips.h"
#include "platform/SingleInstance.h"
#include "shell/Dialog.h"
#include "shell/Splash.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

// A loopback port nobody listens on: connecting is refused at once.
int closedLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

std::string networkIni(int port) {
    return "[General]\nMode=1\n[Winsock]\nIP=127.0.0.1\nPort=" + std::to_string(port) + "\n";
}

long twipsTolerance(const QWidget& w) {
    return pixelsToTwips(1, screenDpi(&w).x) + 1;
}

TEST(MainWindowStart, MaximisedStateLeavesStoredPlacementAlone) {
    ShellProgram p("[Main]\nLanguage=eng\n[MainWindow]\nWindowState=2\nLeft=1440\nTop=720\n"
                   "Width=9000\nHeight=5000\n");
    p.program->start();
    ASSERT_TRUE(p.window().isVisible());
    EXPECT_TRUE(p.window().isMaximized());
    ASSERT_TRUE(p.window().close());

    const IniStore ini = p.store();
    EXPECT_EQ(readSetting(ini, keys::MainWindowState), 2);
    EXPECT_EQ(readSetting(ini, keys::MainWindowLeft), 1440);
    EXPECT_EQ(readSetting(ini, keys::MainWindowTop), 720);
    EXPECT_EQ(readSetting(ini, keys::MainWindowWidth), 9000);
    EXPECT_EQ(readSetting(ini, keys::MainWindowHeight), 5000);
}

TEST(MainWindowStart, NormalStartRaisesWidthAndShowsItsInitialTexts) {
    ShellProgram p("[Main]\nLanguage=eng\n[MainWindow]\nWindowState=0\nLeft=300\nTop=1500\n"
                   "Width=8200\nHeight=4600\n");
    p.program->start();
    frmMain& w = p.window();
    const ScreenDpi dpi = screenDpi(&w);
    ASSERT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMaximized());
    EXPECT_EQ(w.width(), twipsToPixels(8500, dpi.x)) << "8200 twips is below the minimum";
    EXPECT_EQ(w.height(), twipsToPixels(4600, dpi.y));
    EXPECT_EQ(w.windowTitle(), "VisualORV V3.1");

    EXPECT_EQ(w.sbrLogPanel(1)->text(), "Datalogger:");
    EXPECT_EQ(w.sbrLogPanel(2)->text(), " inactive (no open file) ");
    // Every port maps to a missing device: the port test finds none.
    EXPECT_TRUE(waitFor([&] { return !p.program->link.portTestRunning(); }));
    EXPECT_EQ(w.sbrLogPanel(5)->text(), "offline");
    EXPECT_FALSE(w.txtWinsock()->isVisible()) << "serial link: no network status line";

    for (QLineEdit* box : {w.txtTemp(), w.txtRH(), w.txtTp()}) {
        EXPECT_TRUE(box->isReadOnly()) << box->objectName().toStdString();
        EXPECT_EQ(box->focusPolicy(), Qt::NoFocus) << box->objectName().toStdString();
    }
    EXPECT_EQ(w.txtTemp()->text(), "--.- °C");
    EXPECT_EQ(w.txtRH()->text(), "--.- %");

    // What works now is enabled; what belongs to windows still to come is present but disabled.
    const MainMenus& m = w.menus();
    const struct {
        QAction* item;
        bool enabled;
    } items[] = {
        {m.mnuOpenLog, true},  {m.mnuCloseLog, false}, {m.mnuLogView, true}, {m.mnuStartLog, false},
        {m.mnuEnd, true},      {m.mnuPort, true},      {m.mnuMessw, true},   {m.mnuReset, true},
        {m.mnuOnline, true},   {m.mnuMon, true},       {m.mnuOnlGraf, true}, {m.mnuWSet, true},
        {m.mnuWMainSet, true}, {m.mnuHilfe, true},     {m.mnuInfo, true},    {m.button[2], true},
        {m.button[3], true},   {m.button[5], true},    {m.button[6], false}, {m.button[7], false},
    };
    for (const auto& [item, enabled] : items) {
        EXPECT_EQ(item->isEnabled(), enabled) << item->objectName().toStdString();
    }
    EXPECT_TRUE(m.mnuOnlGraf->isCheckable());
    EXPECT_EQ(m.cmdGer->toolTip(), "Deutsche Sprache");
    EXPECT_EQ(m.cmdUk->toolTip(), "English language");

    ASSERT_TRUE(w.close());
    const IniStore ini = p.store();
    const long tol = twipsTolerance(w);
    EXPECT_EQ(readSetting(ini, keys::MainWindowState), 0);
    EXPECT_NEAR(readSetting(ini, keys::MainWindowWidth), 8500, tol);
    EXPECT_NEAR(readSetting(ini, keys::MainWindowHeight), 4600, tol);
    EXPECT_NEAR(readSetting(ini, keys::MainWindowLeft), 300, tol);
    EXPECT_NEAR(readSetting(ini, keys::MainWindowTop), 1500, tol);
    EXPECT_EQ(readSetting(ini, keys::LogPathSource), p.location().folder);
    EXPECT_EQ(readSetting(ini, keys::LogPathDestination), p.location().folder);
}

TEST(MainWindowStart, FirstRunInGermanShowsAboutBoxThenInterfaceDialogFirst) {
    ShellProgram p("", test::kGermanLocale);
    // The about box must close by itself; the interface dialog is cancelled.
    test::ModalWatcher watcher(&p.window(), [](QWidget* modal) {
        if (modal->objectName() != "Splash") {
            test::rejectSoon(modal);
        }
    });
    p.program->start();

    ASSERT_EQ(watcher.seen.size(), 2u);
    EXPECT_EQ(watcher.seen[0].name, "Splash");
    EXPECT_EQ(watcher.seen[1].name, "dlgPort");
    EXPECT_FALSE(watcher.seen[0].mainWindowVisible);
    EXPECT_FALSE(watcher.seen[1].mainWindowVisible);

    frmMain& w = p.window();
    ASSERT_TRUE(w.isVisible());
    EXPECT_EQ(p.app().Language, "de");
    EXPECT_EQ(w.menus().mnu1->title(), "&Datei");
    EXPECT_EQ(w.sbrLogPanel(1)->text(), "Datenlogger:");
    // Cancelled with no port known: no search, just "offline".
    EXPECT_TRUE(p.app().PortCancel);
    EXPECT_FALSE(p.program->link.portTestRunning());
    EXPECT_EQ(w.sbrLogPanel(5)->text(), "offline");

    ASSERT_TRUE(w.close());
    EXPECT_EQ(readSetting(p.store(), keys::MainLanguage), "de");
}

TEST(MainWindowStart, FirstRunInEnglishAboutBoxClosesOnAKey) {
    ShellProgram p("", test::kEnglishLocale);
    QString splashCaption;
    test::ModalWatcher watcher(&p.window(), [&](QWidget* modal) {
        if (modal->objectName() == "Splash") {
            splashCaption = modal->findChild<QPushButton*>("cmdWeb")->text();
            QTimer::singleShot(50, modal, [modal] { QTest::keyClick(modal, Qt::Key_Space); });
        } else {
            test::rejectSoon(modal);
        }
    });
    QElapsedTimer clock;
    clock.start();
    p.program->start();
    EXPECT_LT(clock.elapsed(), 2500) << "the key closed the about box before its timer";
    ASSERT_EQ(watcher.seen.size(), 2u);
    EXPECT_EQ(splashCaption, Splash::webPage().isEmpty() ? "Show help" : "Visit website");
    EXPECT_EQ(p.app().Language, "eng");
    ASSERT_TRUE(p.window().close());
    EXPECT_EQ(readSetting(p.store(), keys::MainLanguage), "eng");
}

TEST(MainWindowStart, SecondCopySavesNoSharedKeysButResetsCrashMarker) {
    const std::string before = "[Main]\nLanguage=eng\n[MainWindow]\nWindowState=0\nLeft=100\n"
                               "Top=100\nWidth=9000\nHeight=5000\n[LogPath]\nSource=/logs/in\n"
                               "Destination=/logs/out\n" +
                               networkIni(closedLoopbackPort()) + "CrashPort=4\n";
    ShellProgram p(before);
    SingleInstance firstCopy(QString::fromStdString(p.location().folder));
    ASSERT_FALSE(firstCopy.anotherInstanceRunning());

    p.program->start();
    EXPECT_TRUE(p.app().anotherInstance);
    frmMain& w = p.window();
    w.resize(w.width() + 40, w.height() + 40);
    p.app().ViewFileDir = "/elsewhere";
    w.menus().cmdGer->click();
    ASSERT_TRUE(w.close());

    EXPECT_TRUE(p.asked("Eine andere Instanz von Visual ORV läuft bereits. Einstellungen werden "
                        "nicht gespeichert."));
    const IniStore ini = p.store();
    EXPECT_EQ(readSetting(ini, keys::MainLanguage), "eng");
    EXPECT_EQ(readSetting(ini, keys::MainWindowWidth), 9000);
    EXPECT_EQ(readSetting(ini, keys::MainWindowLeft), 100);
    EXPECT_EQ(readSetting(ini, keys::LogPathSource), "/logs/in");
    EXPECT_EQ(readSetting(ini, keys::LogPathDestination), "/logs/out");
    EXPECT_EQ(ini.ReadIniString("General", "CrashPort", "missing"), "0");
}

TEST(MainWindowStart, CloseWhileRecordingIsRefusedButSettingsAreWritten) {
    ShellProgram p("[Main]\nLanguage=eng\n" + networkIni(closedLoopbackPort()));
    p.program->start();
    frmMain& w = p.window();
    w.menus().mnuInfo->trigger();
    ASSERT_TRUE(w.splash() && w.splash()->isVisible());

    p.app().LoggerActive = true;
    p.app().Language = "de"; // changed in memory only: the refused close must still save it
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(p.asked("Datalogger still active!"));
    EXPECT_TRUE(waitFor([&] { return !w.splash(); })) << "the about box closes anyway";
    EXPECT_EQ(readSetting(p.store(), keys::MainLanguage), "de");
    EXPECT_EQ(p.store().ReadIniString("MainWindow", "WindowState", "missing"), "0");

    p.app().LoggerActive = false;
    EXPECT_TRUE(w.close());
}

#ifdef ORV_VISUALORV_PATH
TEST(MainWindowStart, RealProgramEndsNormallyOnTerminationSignals) {
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        test::TempDir home;
        const std::filesystem::path folder = home.path() / "VisualORV";
        std::filesystem::create_directories(folder);
        test::writeFile(
            folder / "VisualORV.Ini",
            test::withMissingPorts("[Main]\nLanguage=eng\n" + networkIni(closedLoopbackPort()),
                                   home.path() / "none"));

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(home.path().string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(ORV_VISUALORV_PATH, {});
        ASSERT_TRUE(program.waitForStarted(5000));
        // The lock is taken by the start sequence, after the signal handlers are in place.
        ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(folder / "VisualORV.lock"); }));
        QTest::qWait(200);
        ::kill(static_cast<pid_t>(program.processId()), signalNumber);
        ASSERT_TRUE(program.waitForFinished(5000)) << "signal " << signalNumber;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "signal " << signalNumber;
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

        const IniStore written((folder / "VisualORV.Ini").string());
        EXPECT_EQ(readSetting(written, keys::MainLanguage), "eng");
        EXPECT_EQ(written.ReadIniString("MainWindow", "WindowState", "missing"), "0");
        EXPECT_NE(written.ReadIniString("MainWindow", "Width", "missing"), "missing");
        EXPECT_EQ(written.ReadIniString("General", "CrashPort", "missing"), "0");
    }
}
#endif

} // namespace
} // namespace orv
