#pragma once

// A link controller on real adapters (QtSerialPort over the settings' port map, QtTcpClient)
// with a throw-away settings file in which every serial port points into a temporary folder, so
// no test can reach a real device. Plus the peers: socat pty pairs and orv-sim processes.

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "core/LocaleFormat.h"
#include "link/LinkController.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTcpClient.h"
#include "shell/IniStore.h"
#include "shell/ModMain.h"
#include "shell/SettingsKeys.h"
#include "shell/StringTable.h"
#include "support/ScriptedPrompts.h"
#include "support/Socat.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

// Runs the event loop until `done` holds or the time is up.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

// Short intervals: the whole procedure runs in a fraction of a second per port.
inline LinkTimings fastTimings() {
    LinkTimings t;
    t.timeoutMs = 150;
    t.winsockMs = 300;
    t.searchTickMs = 50;
    t.searchPauseMs = 40;
    t.searchSeconds = 10;
    return t;
}

struct LinkRig {
    // `ini` may name an existing settings file (a crashed run's); by default a fresh one.
    explicit LinkRig(LinkTimings timings = fastTimings(), TcpClient* tcp = nullptr,
                     const QString& iniPath = {})
        : ini(iniPath.isEmpty() ? dir.filePath("VisualORV.Ini").toStdString()
                                : iniPath.toStdString()),
          clock(fromCivil({2024, 5, 17, 12, 30, 5})), app(ini, strings, locale, clock),
          msc1([this](int n) { return portDevice(ini, n); }) {
        strings.selectLanguage("eng");
        // Times of day in a fixed format, whatever the machine's locale.
        QLocale::setDefault(QLocale::c());
        if (iniPath.isEmpty()) {
            for (int n = keys::FirstSerialPort; n <= keys::LastSerialPort; ++n) {
                mapPort(n, dir.filePath("absent" + QString::number(n)));
            }
        }
        link = std::make_unique<LinkController>(app, msc1, tcp ? *tcp : winsock, prompts, timings);
        QObject::connect(link.get(), &LinkController::statusChanged, [this](const QString& s) {
            statuses.push_back(s.toStdString());
            crashPortAtStatus.push_back(readSetting(ini, keys::GeneralCrashPort));
        });
        QObject::connect(link.get(), &LinkController::winsockTextChanged,
                         [this](const QString& s) { winsockTexts.push_back(s.toStdString()); });
        QObject::connect(link.get(), &LinkController::busyChanged,
                         [this](bool b) { busy.push_back(b); });
        QObject::connect(link.get(), &LinkController::portTestFinished,
                         [this](bool found) { finished.push_back(found); });
    }

    void mapPort(int n, const QString& device) {
        ini.WriteIniString(keys::PortMap, keys::portMapKey(n), device.toStdString());
    }

    // Runs the port test and search to its end; the sensor was found.
    bool runPortTest(int ms = 8000) {
        const std::size_t before = finished.size();
        link->PortTest();
        EXPECT_TRUE(waitFor([&] { return finished.size() > before; }, ms));
        return finished.size() > before && finished.back();
    }

    [[nodiscard]] bool sawStatus(const std::string& s) const {
        return std::find(statuses.begin(), statuses.end(), s) != statuses.end();
    }

    QTemporaryDir dir;
    IniStore ini;
    StringTable strings;
    EnglishFormat locale;
    ManualClock clock;
    ModMain app;
    QtSerialPort msc1;
    QtTcpClient winsock;
    ScriptedPrompts prompts;
    std::unique_ptr<LinkController> link;

    std::vector<std::string> statuses;
    std::vector<int> crashPortAtStatus;
    std::vector<std::string> winsockTexts;
    std::vector<bool> busy;
    std::vector<bool> finished;
};

// An orv-sim process; stopped (SIGTERM) when it goes out of scope.
class Sim {
public:
    // Starts orv-sim with `args` and waits for its ready line on stderr.
    bool start(const QStringList& args) {
        proc_.setProgram(QStringLiteral(ORV_SIM_PATH));
        proc_.setArguments(args);
        proc_.setReadChannel(QProcess::StandardError);
        proc_.start();
        if (!proc_.waitForStarted(5000)) {
            return false;
        }
        const QDeadlineTimer deadline(5000);
        static const QRegularExpression ready(
            QStringLiteral("orv-sim: (listening on 127\\.0\\.0\\.1:(\\d+)|writing to)"));
        while (!deadline.hasExpired()) {
            proc_.waitForReadyRead(50);
            err_ += QString::fromUtf8(proc_.readAllStandardError());
            const auto m = ready.match(err_);
            if (m.hasMatch()) {
                port_ = m.captured(2).toInt();
                return true;
            }
            if (proc_.state() == QProcess::NotRunning) {
                return false;
            }
        }
        return false;
    }
    bool tcp(int port = 0, const QStringList& more = {}) {
        return start(QStringList{"--tcp", "127.0.0.1:" + QString::number(port), "--rate", "20"} +
                     more);
    }
    bool serial(const QString& device, const QStringList& more = {}) {
        return start(QStringList{"--serial", device, "--rate", "50"} + more);
    }
    void stop() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.terminate();
            if (!proc_.waitForFinished(3000)) {
                proc_.kill();
                proc_.waitForFinished(3000);
            }
        }
    }
    ~Sim() { stop(); }
    [[nodiscard]] int port() const { return port_; }

private:
    QProcess proc_;
    QString err_;
    int port_ = 0;
};

} // namespace orv::test
