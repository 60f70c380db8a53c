#include "shell/StartupSequence.h"

#include "alarms/AlarmMonitor.h"
#include "core/LocaleFormat.h"
#include "link/LinkController.h"
#include "platform/SingleInstance.h"
#include "shell/ApplyLanguage.h"
#include "shell/frmMain.h"
#include "shell/MainWindowPlacement.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "views/LiveWindows.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdlib>

#include <memory>

namespace orv {

namespace {

QString text(const ModMain& app, int germanId) {
    return QString::fromStdString(app.text(germanId));
}

// The number format test: a decimal comma means German on the first run.
bool decimalComma(const ModMain& app) {
    return app.locale.decimalSeparator() == ",";
}

void loadSettings(frmMain& window, ModMain& app) {
    const IniStore& ini = app.ini;
    app.ViewFileDir = readSetting(ini, keys::LogPathSource, app.SettingsFolder);
    app.LogFileDir = readSetting(ini, keys::LogPathDestination, app.SettingsFolder);

    restoreMainWindowPlacement(window, ini);

    app.measurement.settings().DecimalComma = decimalComma(app);

    app.Language = readSetting(ini, keys::MainLanguage);
    app.setComPort(std::to_string(readSetting(ini, keys::GeneralSerialPort)));
    app.RemoteIP = readSetting(ini, keys::WinsockIP);
    app.RemotePort = readSetting(ini, keys::WinsockPort);
}

void firstRun(frmMain& window, ModMain& app) {
    app.measurement.settings().DecimalComma = decimalComma(app);
    app.Language = app.DecimalComma() ? "de" : "eng";
    window.showFirstRunSplash();
    window.showInterfaceDialog();
}

void openLink(frmMain& window, ModMain& app) {
    LinkController& link = window.link();
    if (std::atoi(app.ComPort().c_str()) == 0 && app.PortCancel && !app.networkMode()) {
        return; // the user cancelled the interface dialog and no port is known
    }
    if (app.networkMode()) {
        link.startNetworkLink(app.RemoteIP, app.RemotePort);
    } else {
        link.PortTest();
    }
}

} // namespace

void runStartSequence(frmMain& window) {
    ModMain& app = window.app();

    // The lock tells a second copy that it is not alone; it saves none of the shared keys.
    auto lock = std::make_unique<SingleInstance>(QString::fromStdString(app.SettingsFolder));
    app.anotherInstance = lock->anotherInstanceRunning();
    window.setInstanceLock(std::move(lock));

    loadSettings(window, app);
    if (app.Language.empty()) {
        firstRun(window, app);
    }
    app.setLinkMode(readSetting(app.ini, keys::GeneralMode));
    ApplyLanguage(app, app.Language);

    // Recording commands stay disabled (menus and toolbar are built that way); the logger
    // panels show that no file is open.
    window.sbrLogPanel(1)->setText(text(app, 230));
    window.sbrLogPanel(2)->setText(text(app, 231));

    // The live windows open at the last exit open again.
    window.liveWindows()->restoreFromSettings();

    window.loadDisplayDialog();
    window.show();
    // Alarm rules, if any; an unreadable one is named once, over the shown window.
    window.alarms().loadFromSettings();
    window.sbrLogPanel(5)->setText(QStringLiteral("offline"));
    openLink(window, app);
}

} // namespace orv
