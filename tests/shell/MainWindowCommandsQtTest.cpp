// The main window's commands: language buttons, display settings, reset, help, about box, fitting
// windows, and live values from a simulated sensor on the network link.
#include "ShellTestSupport.h"

#include "core/FrameChecksum.h"
#include "link/dlgPort.h"
#include "link/LinkController.h"
#include "platform/ScreenTwips.h"
#include "shell/Dialog.h"
#include "shell/HelpWindow.h"
#include "shell/Splash.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

// Start-up without any link activity worth waiting for: English, serial, all ports missing.
constexpr char kQuietIni[] = "[Main]\nLanguage=eng\n";

TEST(MainWindowCommands, LanguageButtonsRelabelEveryOpenWindow) {
    ShellProgram p("[Main]\nLanguage=de\n");
    p.program->start();
    frmMain& w = p.window();
    Dialog& settings = *w.displayDialog();
    dlgPort port(
        p.app(), p.program->link, p.prompts, [] { return std::string("127.0.0.1"); }, &w);
    port.show();
    ASSERT_TRUE(waitFor([&] { return port.windowTitle() == "Schnittstelle"; }));
    EXPECT_EQ(settings.optTCF(0)->text(), "Temperatur in °C");

    w.menus().cmdUk->click();
    const std::pair<QString, const char*> english[] = {
        {w.menus().mnu1->title(), "&File"},
        {w.menus().mnuMessw->text(), "Display &options"},
        {w.menus().mnu8->title(), "arrange &window"},
        {w.menus().mnuStartLog->text(), "S&tart"},
        {w.menus().mnuReset->text(), "&Reset"},
        {w.menus().button[2]->toolTip(), "Online diagram"},
        {w.txtRH()->toolTip(), "actual humidity"},
        {settings.windowTitle(), "Measuredisplay (Preferences)"},
        {settings.optTCF(0)->text(), "Temperature in °C"},
        {settings.optFT(1)->text(), "Dew point"},
        {settings.findChild<QGroupBox*>("Frame1")->title(), "Channal 2 as "},
        {settings.CancelButton()->text(), "Cancel"},
    };
    for (const auto& [actual, expected] : english) {
        EXPECT_EQ(actual, QString::fromUtf8(expected));
    }
    EXPECT_EQ(port.windowTitle(), "Interface");
    EXPECT_EQ(port.CancelButton().text(), "Cancel");
    EXPECT_EQ(p.app().Language, "eng");

    w.menus().cmdGer->click();
    EXPECT_EQ(w.menus().mnu1->title(), "&Datei");
    EXPECT_EQ(settings.optTCF(0)->text(), "Temperatur in °C");
    EXPECT_EQ(w.txtRH()->toolTip(), "aktuelle Feuchte");
    EXPECT_EQ(port.windowTitle(), "Schnittstelle");
    static_cast<QDialog&>(port).reject();
    ASSERT_TRUE(w.close());
    EXPECT_EQ(readSetting(p.store(), keys::MainLanguage), "de");
}

TEST(MainWindowCommands, UnknownLanguageKeepsDesignTexts) {
    ShellProgram p("[Main]\nLanguage=fr\n");
    p.program->start();
    EXPECT_EQ(p.window().menus().mnu3->title(), "&Einstellungen");
    EXPECT_EQ(p.window().displayDialog()->optTCF(2)->text(), "Temperatur in K");
    EXPECT_EQ(p.app().strings.langBase(), 0);
}

// Runs the display settings dialog from the menu and lets `choose` act on it while it is open.
void runDisplaySettings(ShellProgram& p, const std::function<void(Dialog&)>& choose) {
    Dialog& d = *p.window().displayDialog();
    QTimer::singleShot(0, &d, [&] { choose(d); });
    p.window().menus().mnuMessw->trigger();
    EXPECT_FALSE(d.isVisible());
}

TEST(MainWindowCommands, DisplaySettingsOkStoresAndCancelRestoresFromFile) {
    ShellProgram p(kQuietIni);
    p.program->start();
    MeasurementSettings& live = p.app().measurement.settings();
    OnlineData& history = p.app().measurement.onlineData();
    history.newest().temperature = 21.5f;

    runDisplaySettings(p, [](Dialog& d) {
        d.optTCF(1)->click();
        d.OKButton()->click();
    });
    const IniStore ini = p.store();
    EXPECT_EQ(ini.ReadIniString("Dialog", "Celsius", ""), "0");
    EXPECT_EQ(ini.ReadIniString("Dialog", "Fahrenheit", ""), "1");
    EXPECT_EQ(ini.ReadIniString("Dialog", "Kelvin", ""), "0");
    EXPECT_EQ(ini.ReadIniString("Dialog", "TP", ""), "1");
    EXPECT_EQ(live.unit, TempUnit::Fahrenheit);
    EXPECT_FALSE(history.newest().temperature.has_value()) << "history emptied after the dialog";

    runDisplaySettings(p, [&](Dialog& d) {
        d.optTCF(2)->click();
        d.optFT(1)->click();
        EXPECT_EQ(live.unit, TempUnit::Kelvin) << "the options are the live settings";
        EXPECT_EQ(live.channel2, Channel2Mode::DewPoint);
        d.CancelButton()->click();
    });
    EXPECT_TRUE(p.window().displayDialog()->optTCF(1)->isChecked());
    EXPECT_TRUE(p.window().displayDialog()->optFT(0)->isChecked());
    EXPECT_EQ(live.unit, TempUnit::Fahrenheit);
    EXPECT_EQ(live.channel2, Channel2Mode::Humidity);
    EXPECT_EQ(p.store().ReadIniString("Dialog", "Kelvin", ""), "0") << "Cancel writes nothing";
}

TEST(MainWindowCommands, DisplaySettingsFromFileFollowTheOptionRules) {
    const struct {
        const char* dialogSection;
        TempUnit unit;
        Channel2Mode channel2;
    } cases[] = {
        {"", TempUnit::Celsius, Channel2Mode::Humidity},
        {"Celsius=1\nFahrenheit=1\nKelvin=0\nTP=0\n", TempUnit::Fahrenheit, Channel2Mode::DewPoint},
        {"Celsius=0\nFahrenheit=0\nKelvin=0\n", TempUnit::None, Channel2Mode::Humidity},
        {"Celsius=off\nKelvin=True\n", TempUnit::Kelvin, Channel2Mode::Humidity},
    };
    for (const auto& c : cases) {
        ShellProgram p(std::string(kQuietIni) + "[Dialog]\n" + c.dialogSection);
        p.program->start();
        EXPECT_EQ(p.app().measurement.settings().unit, c.unit) << c.dialogSection;
        EXPECT_EQ(p.app().measurement.settings().channel2, c.channel2) << c.dialogSection;
        Dialog& d = *p.window().displayDialog();
        EXPECT_EQ(d.optTCF(0)->isChecked() + d.optTCF(1)->isChecked() + d.optTCF(2)->isChecked(),
                  c.unit == TempUnit::None ? 0 : 1)
            << c.dialogSection;
    }
}

TEST(MainWindowCommands, ResetDeletesTheFileAndExitWritesItsKeysAgain) {
    ShellProgram p(std::string(kQuietIni) + "[Dialog]\nCelsius=0\nKelvin=1\n");
    p.program->start();
    ASSERT_TRUE(std::filesystem::exists(p.location().iniFile));
    p.window().menus().mnuReset->trigger();
    EXPECT_FALSE(std::filesystem::exists(p.location().iniFile));
    EXPECT_EQ(p.app().measurement.settings().unit, TempUnit::Kelvin) << "memory is unchanged";
    ASSERT_TRUE(p.window().close());
    const IniStore ini = p.store();
    EXPECT_EQ(readSetting(ini, keys::MainLanguage), "eng");
    EXPECT_EQ(ini.ReadIniString("Dialog", "Kelvin", "missing"), "missing");
}

TEST(MainWindowCommands, HelpShowsTheManualOfTheLanguageOrSaysItIsMissing) {
    ShellProgram p("[Main]\nLanguage=de\n");
    p.program->start();
    frmMain& w = p.window();
    w.setHelpFolder(QStringLiteral(ORV_SOURCE_DIR "/resources/help"));
    w.menus().mnuHilfe->trigger();
    ASSERT_TRUE(w.helpWindow() && w.helpWindow()->isVisible());
    EXPECT_EQ(w.helpWindow()->windowTitle(), "VisualORV Hilfe");
    EXPECT_TRUE(w.helpWindow()->browser()->toPlainText().contains("Erste Schritte"));

    w.menus().cmdUk->click();
    w.menus().mnuHilfe->trigger();
    EXPECT_EQ(w.helpWindow()->windowTitle(), "VisualORV help");
    EXPECT_TRUE(w.helpWindow()->browser()->toPlainText().contains("Troubleshooting"));
    EXPECT_TRUE(p.prompts.asked.empty());

    test::TempDir empty;
    w.setHelpFolder(QString::fromStdString(empty.path().string()));
    w.menus().mnuHilfe->trigger();
    ASSERT_EQ(p.prompts.asked.size(), 1u);
    EXPECT_EQ(p.prompts.asked[0].title, "10");
    EXPECT_EQ(p.prompts.asked[0].text, "No helpfile found!");
    EXPECT_EQ(p.prompts.asked[0].icon, Prompts::Icon::Exclamation);
}

TEST(MainWindowCommands, AboutBoxFromTheMenuStaysAndDoesNotBlock) {
    ShellProgram p(kQuietIni);
    p.program->start();
    frmMain& w = p.window();
    w.menus().mnuInfo->trigger();
    Splash* box = w.splash();
    ASSERT_TRUE(box && box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->lblVersion()->text(), "Version 3.1.0");
    EXPECT_FALSE(box->Timer1().isActive());
    // What the web button does is tested with the language tests (MainWindowLocaleQtTest).

    QTest::mouseClick(box->lblVersion(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return !w.splash(); })) << "a click on a label closes it";
}

TEST(MainWindowCommands, FitCommandsSizeChildAndMainWindowToEachOther) {
    ShellProgram p(kQuietIni);
    p.program->start();
    frmMain& w = p.window();
    w.menus().mnuWSet->trigger(); // without a child window: nothing happens
    QMdiSubWindow* child = w.mdiArea()->addSubWindow(new QLabel("child"));
    child->setWindowTitle("child");
    child->setGeometry(40, 30, 200, 120);
    child->show();
    w.mdiArea()->setActiveSubWindow(child);

    const ScreenDpi dpi = screenDpi(&w);
    const QSize designOffset(twipsToPixels(180, dpi.x), twipsToPixels(1550, dpi.y));
    const QSize offset = designOffset.expandedTo(w.size() - w.mdiArea()->viewport()->size());
    w.menus().mnuWSet->trigger();
    EXPECT_EQ(child->pos(), QPoint(0, 0));
    EXPECT_EQ(child->size(), w.size() - offset);
    EXPECT_LE(child->height(), w.mdiArea()->viewport()->height()) << "child stays visible";

    emit w.menus().mnu4->aboutToShow();
    emit w.menus().mnu4->aboutToShow(); // opening the menu again rebuilds, not appends
    int listed = 0;
    for (QAction* entry : w.menus().mnu4->actions()) {
        if (entry->text().endsWith(" child")) {
            ++listed;
            EXPECT_TRUE(entry->isChecked()) << "the active child is checked";
        }
    }
    EXPECT_EQ(listed, 1) << "the Window menu lists the open child once";

    child->resize(700, 320);
    child->move(25, 25);
    w.menus().mnuWMainSet->trigger();
    EXPECT_EQ(child->pos(), QPoint(0, 0));
    EXPECT_EQ(w.size(), QSize(700, 320) + offset);
}

TEST(MainWindowCommands, MinimisedTitleShowsTheValues) {
    ShellProgram p(kQuietIni);
    p.program->start();
    frmMain& w = p.window();
    const std::string frame = *buildFrame("@T;+021.00;C;F;050.00;%;S/N;SIM00001;", "\r\n");
    w.showMinimized();
    ASSERT_TRUE(waitFor([&] { return w.isMinimized(); }));
    p.app().measurement.ParseFrame(frame);
    EXPECT_EQ(w.windowTitle(), " 21.0 °C / 50.0 %");
    w.showNormal();
    ASSERT_TRUE(waitFor([&] { return !w.isMinimized(); }));
    EXPECT_EQ(w.windowTitle(), "VisualORV V3.1");
    p.app().measurement.ParseFrame(frame);
    EXPECT_EQ(w.windowTitle(), "VisualORV V3.1");

    std::string damaged = frame;
    damaged[damaged.size() - 3] = damaged[damaged.size() - 3] == '0' ? '1' : '0';
    p.app().measurement.ParseFrame(damaged);
    EXPECT_EQ(p.prompts.beeps, 1) << "a bad checksum beeps";
}

TEST(MainWindowCommands, LiveValuesFromTheSimulatorOverTheNetworkLink) {
    test::Simulator sim({"--rate", "20", "--temp", "21.0", "--rh", "50.0"});
    ASSERT_NE(sim.port(), 0);
    ShellProgram p(sim.ini("eng"));
    p.program->start();
    frmMain& w = p.window();
    EXPECT_TRUE(w.txtWinsock()->isVisible());
    ASSERT_TRUE(waitFor([&] { return w.txtTemp()->text() == "21.0 °C"; }))
        << w.txtTemp()->text().toStdString();
    EXPECT_EQ(w.txtRH()->text(), "50.0 %");
    EXPECT_EQ(w.txtTp()->text(), "10.1  °C"); // 10.1495
    EXPECT_EQ(w.sbrLogPanel(5)->text(), "127.0.0.1 online");
    EXPECT_TRUE(w.txtWinsock()->text().contains(" data received (127.0.0.1)"))
        << w.txtWinsock()->text().toStdString();

    ASSERT_TRUE(w.close());
}

} // namespace
} // namespace orv
