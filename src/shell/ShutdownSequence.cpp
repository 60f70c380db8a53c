#include "shell/ShutdownSequence.h"

#include "link/LinkController.h"
#include "platform/Prompts.h"
#include "platform/SerialPort.h"
#include "platform/TcpClient.h"
#include "shell/Dialog.h"
#include "shell/frmMain.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindowPlacement.h"
#include "shell/Splash.h"
#include "shell/Version.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "views/LiveWindows.h"

#include <QAction>

namespace orv {

namespace {

void saveSettings(frmMain& window, ModMain& app) {
    IniStore& ini = app.ini;
    saveMainWindowPlacement(window, ini);
    const MainMenus& m = window.menus();
    writeSetting(ini, keys::MainWindowMonitor, m.mnuMon->isChecked());
    writeSetting(ini, keys::MainWindowGraph, m.mnuOnlGraf->isChecked());
    writeSetting(ini, keys::MainWindowOnline, m.mnuOnline->isChecked());
    writeSetting(ini, keys::LogPathSource, app.ViewFileDir);
    writeSetting(ini, keys::LogPathDestination, app.LogFileDir);
    writeSetting(ini, keys::MainLanguage, app.Language);
}

void closeSeparateWindows(frmMain& window) {
    if (Splash* splash = window.splash()) {
        splash->close();
    }
    window.liveWindows()->closeOnlineWindow();
    // The display settings dialog stays loaded while the program runs on (a refused close):
    // its options are the live settings. Closing an open one counts as Cancel.
    if (Dialog* dialog = window.displayDialog(); dialog && dialog->isVisible()) {
        dialog->reject();
    }
    if (HelpWindow* help = window.helpWindow()) {
        help->close();
    }
}

} // namespace

void ShowAnotherInstanceMessage(frmMain& window) {
    const ModMain& app = window.app();
    const std::string text =
        app.Language == "de"
            ? "Eine andere Instanz von Visual ORV läuft bereits. Einstellungen werden nicht "
              "gespeichert."
            : "Another instance Visual ORV is always running. Settings will not be saved";
    window.prompts().message(kProductName, text, Prompts::Icon::None, Prompts::Buttons::Ok);
}

bool QueryUnload(frmMain& window) {
    ModMain& app = window.app();
    bool cancel = false;
    if (app.LoggerActive) {
        window.prompts().message(kProductName, app.text(232), Prompts::Icon::Exclamation,
                                 Prompts::Buttons::Ok);
        cancel = true;
    }
    if (app.anotherInstance) {
        ShowAnotherInstanceMessage(window);
    } else {
        saveSettings(window, app);
    }
    closeSeparateWindows(window);
    return cancel;
}

void Form_Unload(frmMain& window) {
    ModMain& app = window.app();
    writeSetting(app.ini, keys::GeneralCrashPort, 0);
    LinkController& link = window.link();
    link.tmrTimeout().stop();
    link.tmrWinsock().stop();
    link.msc1().close();
    link.Winsock1().close();
}

} // namespace orv
