#pragma once

#include "core/LinkControl.h"
#include "core/Measurement.h"
#include "state/IniStore.h"
#include "state/StringTable.h"

#include <string>

namespace orv {

class Clock;
class LocaleFormat;

// Forwards the measurement's questions and requests to the link that is attached (the main
// window's link controller); with none attached it answers like a closed link.
class LinkControlProxy final : public LinkControl {
public:
    void attach(LinkControl* target) { target_ = target; }

    [[nodiscard]] int commPort() const override { return target_ ? target_->commPort() : 0; }
    [[nodiscard]] std::string remoteHost() const override {
        return target_ ? target_->remoteHost() : std::string();
    }
    [[nodiscard]] bool serialOpen() const override { return target_ && target_->serialOpen(); }
    [[nodiscard]] bool tcpConnected() const override { return target_ && target_->tcpConnected(); }
    void restartSerial() override {
        if (target_) {
            target_->restartSerial();
        }
    }
    void restartTcp() override {
        if (target_) {
            target_->restartTcp();
        }
    }

private:
    LinkControl* target_ = nullptr;
};

// The state that several windows share, created once in main() and handed to every window that
// needs it (a test makes a fresh one). The link mode and the serial port number live in the
// measurement's settings, because the frame status texts depend on them.
class ModMain {
public:
    ModMain(IniStore& settingsFile, StringTable& stringTable, const LocaleFormat& localeFormat,
            const Clock& systemClock)
        : ini(settingsFile), strings(stringTable), locale(localeFormat), clock(systemClock),
          measurement(localeFormat, stringTable, systemClock, linkProxy) {}

    ModMain(const ModMain&) = delete;
    ModMain& operator=(const ModMain&) = delete;

    IniStore& ini;
    StringTable& strings;
    const LocaleFormat& locale;
    const Clock& clock;

    LinkControlProxy linkProxy;
    Measurement measurement;

    // Settings location; the folder ends in "/".
    std::string SettingsFolder;
    // "de" or "eng"; empty until chosen.
    std::string Language;
    // Folders offered for opening log files and for new log files and exports.
    std::string ViewFileDir;
    std::string LogFileDir;

    // Network sensor address.
    std::string RemoteIP;
    int RemotePort = 31222;
    // Cancel pressed in the interface dialog: a running port search stops after its current port.
    bool PortCancel = false;
    // No port test or scan teardown is busy.
    bool ScanIdle = true;

    // Another copy of the program was running when this one started.
    bool anotherInstance = false;

    // Recording state; the data logger keeps it current. While it is true the program refuses to
    // close and the link and display settings cannot change.
    bool LoggerActive = false;

    [[nodiscard]] int LinkMode() const { return measurement.settings().LinkMode; }
    void setLinkMode(int mode) { measurement.settings().LinkMode = mode; }
    [[nodiscard]] const std::string& ComPort() const { return measurement.settings().ComPort; }
    void setComPort(std::string port) { measurement.settings().ComPort = std::move(port); }
    // Any non-zero mode means the network link.
    [[nodiscard]] bool networkMode() const { return LinkMode() != 0; }
    [[nodiscard]] bool DecimalComma() const { return measurement.settings().DecimalComma; }

    // Text of German id `germanId` in the current language, or `fallback`.
    [[nodiscard]] std::string text(int germanId, const std::string& fallback = {}) const {
        return strings.textOr(germanId, fallback);
    }
};

} // namespace orv
