#pragma once

#include "core/Clock.h"
#include "link/LinkController.h"
#include "platform/QtLocaleFormat.h"
#include "platform/QtPrompts.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTcpClient.h"
#include "shell/frmMain.h"
#include "state/IniStore.h"
#include "state/ModMain.h"
#include "state/SettingsLocation.h"
#include "state/StringTable.h"

#include <QLocale>

#include <functional>
#include <memory>
#include <string>

namespace orv {

// What a program run is made of, beyond the settings location.
struct ProgramOptions {
    SettingsLocation location;
    QLocale locale = QLocale::system();
    LinkTimings timings{};
    // The network scan's local address.
    std::function<std::string()> localAddress;
    // Null: real message boxes owned by the main window.
    Prompts* prompts = nullptr;
    // The device file of serial port 1..16; empty: the settings' port map and the defaults.
    QtSerialPort::DeviceResolver resolveDevice;
    // Null: the system clock.
    const Clock* clock = nullptr;
};

// The whole live program, wired in dependency order: settings, texts, locale, clock, the shared
// state, the serial port and TCP client, the link, and the main window. main() makes one; window
// tests make one per test with a temporary settings folder and scripted prompts.
class Program {
public:
    explicit Program(ProgramOptions options);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The main window's start sequence.
    void start() { window->Form_Load(); }

    IniStore ini;
    StringTable strings;
    QtLocaleFormat locale;
    SystemClock clock;
    ModMain app;
    QtSerialPort msc1;
    QtTcpClient winsock;

private:
    std::unique_ptr<QtPrompts> ownPrompts_;

public:
    Prompts& prompts;
    LinkController link;
    std::unique_ptr<frmMain> window;
};

} // namespace orv
