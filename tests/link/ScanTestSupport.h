#pragma once

// Shared pieces of the interface dialog and network scan window tests: a fresh program state in
// a temporary settings folder, loopback sensors (orv-sim) and silent hosts (QTcpServer) bound to
// 127.0.0.x addresses, and an event-loop wait.

#include "core/Clock.h"
#include "core/LocaleFormat.h"
#include "shell/IniStore.h"
#include "shell/ModMain.h"
#include "shell/StringTable.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QHostAddress>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

// Runs the event loop until `done` holds or the time is up.
inline bool waitFor(const std::function<bool()>& done, int ms = 8000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

// The program state of one test, with its settings file in a temporary folder.
struct AppState {
    explicit AppState(const std::string& language = "de")
        : ini(dir.file("VisualORV.Ini")), app(ini, strings, format, clock) {
        strings.selectLanguage(language);
        app.Language = language;
    }
    TempDir dir;
    IniStore ini;
    StringTable strings;
    GermanFormat format;
    SystemClock clock;
    ModMain app;
};

// A TCP port that nothing on 127.0.0.1 listens on right now; the tests bind it on other
// loopback addresses.
inline quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0)) {
        return 0;
    }
    return probe.serverPort();
}

// orv-sim serving long frames with a given serial number on one loopback address.
class SimSensor {
public:
    bool start(const QString& host, quint16 port, const QString& serial,
               const QStringList& extra = {}) {
        QStringList args = {
            QStringLiteral("--tcp"),           QStringLiteral("%1:%2").arg(host).arg(port),
            QStringLiteral("--rate"),          QStringLiteral("20"),
            QStringLiteral("--serial-number"), serial};
        args += extra;
        process_.start(QStringLiteral(ORV_SIM_PATH), args);
        if (!process_.waitForStarted(5000)) {
            return false;
        }
        return waitFor([this] {
                   errors_ += process_.readAllStandardError();
                   return errors_.contains("listening on") ||
                          process_.state() == QProcess::NotRunning;
               }) &&
               errors_.contains("listening on");
    }
    ~SimSensor() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) {
                process_.kill();
                process_.waitForFinished(3000);
            }
        }
    }
    [[nodiscard]] QString errors() const { return QString::fromLocal8Bit(errors_); }

private:
    QProcess process_;
    QByteArray errors_;
};

// A host that takes every connection and either says nothing or hangs up at once; it counts
// the connections and how many of them the other side has closed.
class LoopbackHost {
public:
    enum class Mode { Silent, HangUp };

    bool listen(const QString& host, quint16 port, Mode mode) {
        mode_ = mode;
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++accepted_;
                QObject::connect(s, &QTcpSocket::disconnected, &server_, [this] { ++closed_; });
                if (mode_ == Mode::HangUp) {
                    s->disconnectFromHost();
                }
                peers_.push_back(s);
            }
        });
        return server_.listen(QHostAddress(host), port);
    }
    [[nodiscard]] int accepted() const { return accepted_; }
    [[nodiscard]] int closedByPeer() const { return closed_; }

private:
    QTcpServer server_;
    Mode mode_ = Mode::Silent;
    std::vector<QTcpSocket*> peers_; // children of the server
    int accepted_ = 0;
    int closed_ = 0;
};

// Texts of labels, buttons and frames that are cut off in a shown window, as "name: text".
inline std::vector<std::string> clippedTexts(QWidget& window) {
    std::vector<std::string> clipped;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
        } else {
            continue;
        }
        if (w->width() < w->minimumSizeHint().width()) {
            clipped.push_back(w->objectName().toStdString() + ": " + text.toStdString());
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
