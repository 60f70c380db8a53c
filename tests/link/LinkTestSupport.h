#pragma once

// Shared rigs of the link tests: the program state with a throw-away settings file in which every
// serial port points into a temporary folder (no test can reach a real device), the link
// controller on the real adapters, and the peers: socat pty pairs, orv-sim processes and silent
// hosts on 127.0.0.x addresses.

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "core/FrameChecksum.h"
#include "core/LocaleFormat.h"
#include "link/LinkController.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTcpClient.h"
#include "state/IniStore.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "state/StringTable.h"
#include "support/QtWait.h"
#include "support/ScriptedPrompts.h"
#include "support/Socat.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

// Tests that need socat pty pairs are skipped where socat is missing.
inline void skipWithoutSocat() {
    if (!socatAvailable()) {
        GTEST_SKIP() << "socat is not installed";
    }
}
struct SocatTest : ::testing::Test {
    void SetUp() override { skipWithoutSocat(); }
};

// The bytes of a frame with its checksum, as a sensor sends it.
inline QByteArray frameBytes(const std::string& body) {
    const auto frame = buildFrame(body);
    EXPECT_TRUE(frame);
    return frame ? QByteArray(frame->data(), static_cast<qsizetype>(frame->size())) : QByteArray();
}

// Short intervals: the whole procedure runs in a fraction of a second per port.
inline LinkTimings fastTimings() {
    return {.timeoutMs = 150,
            .winsockMs = 300,
            .searchTickMs = 50,
            .searchPauseMs = 40,
            .searchSeconds = 10};
}

// The program state of one test. `iniPath` may name an existing settings file (a crashed run's),
// whose port map is then left as it is.
struct AppState {
    explicit AppState(const std::string& language = "eng", const QString& iniPath = {})
        : ini((iniPath.isEmpty() ? dir.filePath("VisualORV.Ini") : iniPath).toStdString()),
          clock(fromCivil({2024, 5, 17, 12, 30, 5})), app(ini, strings, locale, clock) {
        strings.selectLanguage(language);
        app.Language = language;
        // Times of day in a fixed format, whatever the machine's locale.
        QLocale::setDefault(QLocale::c());
        if (iniPath.isEmpty()) {
            for (int n = keys::FirstSerialPort; n <= keys::LastSerialPort; ++n) {
                mapPort(n, dir.filePath("absent" + QString::number(n)));
            }
        }
    }
    void mapPort(int n, const QString& device) {
        ini.WriteIniString(keys::PortMap, keys::portMapKey(n), device.toStdString());
    }
    // A pty pair "com<n>"/"far<n>" whose first end becomes port n.
    PtyPair& ptyPort(int n) {
        const QString num = QString::number(n);
        ptys.push_back(std::make_unique<PtyPair>(dir.path(), "com" + num, "far" + num));
        EXPECT_TRUE(ptys.back()->ok());
        mapPort(n, ptys.back()->deviceA());
        return *ptys.back();
    }

    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/orv-test-XXXXXX")};
    IniStore ini;
    StringTable strings;
    EnglishFormat locale;
    ManualClock clock;
    ModMain app;
    ScriptedPrompts prompts;
    std::vector<std::unique_ptr<PtyPair>> ptys;
};

struct RigOptions {
    std::string language = "eng";
    LinkTimings timings = fastTimings();
    TcpClient* tcp = nullptr; // default: the rig's QtTcpClient
    QString iniPath = {};
};

// A link controller on real adapters (QtSerialPort over the settings' port map, QtTcpClient),
// recording what it reports.
struct LinkRig : AppState {
    explicit LinkRig(const RigOptions& o = {})
        : AppState(o.language, o.iniPath), msc1([this](int n) { return portDevice(ini, n); }) {
        link = std::make_unique<LinkController>(app, msc1, o.tcp ? *o.tcp : winsock, prompts,
                                                o.timings);
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

    QtSerialPort msc1;
    QtTcpClient winsock;
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
        proc_.setReadChannel(QProcess::StandardError);
        proc_.start(QStringLiteral(ORV_SIM_PATH), args);
        static const QRegularExpression ready(
            QStringLiteral("orv-sim: (listening on [0-9.]+:(\\d+)|writing to)"));
        QRegularExpressionMatch m;
        const bool up = proc_.waitForStarted(5000) && waitFor([&] {
                            proc_.waitForReadyRead(20);
                            err_ += QString::fromUtf8(proc_.readAllStandardError());
                            m = ready.match(err_);
                            return m.hasMatch() || proc_.state() == QProcess::NotRunning;
                        }) &&
                        m.hasMatch();
        if (!up) {
            ADD_FAILURE() << "orv-sim did not start: " << err_.toStdString();
        }
        port_ = m.captured(2).toInt();
        return up;
    }
    // A network sensor on host:port (port 0: any free one, see port()).
    bool tcp(int port = 0, const QStringList& more = {}, const QString& host = "127.0.0.1") {
        return start(QStringList{"--tcp", host + ':' + QString::number(port), "--rate", "20"} +
                     more);
    }
    bool serial(const QString& device, const QStringList& more = {}) {
        return start(QStringList{"--serial", device, "--rate", "50"} + more);
    }
    ~Sim() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.terminate();
            if (!proc_.waitForFinished(3000)) {
                proc_.kill();
                proc_.waitForFinished(3000);
            }
        }
    }
    [[nodiscard]] int port() const { return port_; }

private:
    QProcess proc_;
    QString err_;
    int port_ = 0;
};

// A TCP port above 32767 (ports beyond the 16-bit signed range must work everywhere) that nothing
// on 127.0.0.1 listens on right now; tests also bind it on other loopback addresses.
inline quint16 freeLoopbackPort() {
    QTcpServer probe;
    int p = 40000 + static_cast<int>(QCoreApplication::applicationPid() % 20000);
    for (int tries = 0; tries < 1000; ++tries, p = p >= 65535 ? 40000 : p + 1) {
        if (probe.listen(QHostAddress::LocalHost, static_cast<quint16>(p))) {
            return static_cast<quint16>(p);
        }
    }
    return 0;
}

// A host that takes every connection and either says nothing or hangs up at once; it counts
// the connections and how many of them the other side has closed.
class LoopbackHost {
public:
    enum class Mode { Silent, HangUp };

    bool listen(const QString& host, quint16 port, Mode mode) {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this, mode] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++accepted_;
                QObject::connect(s, &QTcpSocket::disconnected, &server_, [this] { ++closed_; });
                if (mode == Mode::HangUp) {
                    s->disconnectFromHost();
                }
            }
        });
        return server_.listen(QHostAddress(host), port);
    }
    [[nodiscard]] int accepted() const { return accepted_; }
    [[nodiscard]] int closedByPeer() const { return closed_; }
    // Writes `bytes` to every connection that stands; how many there were.
    int sendToAll(const QByteArray& bytes) {
        int sent = 0;
        for (QTcpSocket* s : server_.findChildren<QTcpSocket*>()) {
            if (s->state() == QAbstractSocket::ConnectedState) {
                s->write(bytes);
                ++sent;
            }
        }
        return sent;
    }

private:
    QTcpServer server_; // parent of the accepted sockets
    int accepted_ = 0;
    int closed_ = 0;
};

// Texts of labels, buttons and frames that are cut off in a shown window, as "name: text".
inline std::vector<std::string> clippedTexts(QWidget& window) {
    std::vector<std::string> clipped;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool group = qobject_cast<QGroupBox*>(w) != nullptr;
        const bool texty = group || qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
        if (texty && w->isVisible() && w->width() < w->minimumSizeHint().width()) {
            clipped.push_back(w->objectName().toStdString() + ": " +
                              w->property(group ? "title" : "text").toString().toStdString());
        }
    }
    return clipped;
}

// Saves a picture of the window when ORV_SCREENSHOT_DIR names a folder (for the docs).
inline void saveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("ORV_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        window.grab().save(folder + QLatin1Char('/') + name);
    }
}

} // namespace orv::test
