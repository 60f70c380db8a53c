#include "link/PortSearch.h"

#include "core/NumberReading.h"
#include "platform/Prompts.h"
#include "platform/SerialPort.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <cctype>

namespace orv {
namespace {

constexpr int kFirstPort = keys::FirstSerialPort;
constexpr int kLastPort = keys::LastSerialPort;

QString comText(int port) {
    return QStringLiteral("COM ") + QString::number(port);
}

std::string crashQuestion(bool german, int port) {
    const std::string n = std::to_string(port);
    return german ? "Das Programm wurde beim Öffnen von COM " + n +
                        " unerwartet beendet. Soll dieser Port weiterhin verwendet werden?"
                  : "The application is crashed while COM " + n + " was opened. Retry?";
}

} // namespace

bool portExcluded(const std::string& PortTest, int n) {
    const std::string entry = "!" + std::to_string(n);
    for (std::size_t at = PortTest.find(entry); at != std::string::npos;
         at = PortTest.find(entry, at + 1)) {
        const std::size_t next = at + entry.size();
        if (next == PortTest.size() || !std::isdigit(static_cast<unsigned char>(PortTest[next]))) {
            return true;
        }
    }
    return false;
}

LinkController::PortSearch::PortSearch(LinkController& link) : link_(link) {
    step_.setSingleShot(true);
    QObject::connect(&step_, &QTimer::timeout, &link_, [this] {
        const auto next = next_;
        next_ = nullptr;
        if (next != nullptr) {
            (this->*next)();
        }
    });
    QObject::connect(&Timer1, &QTimer::timeout, &link_, [this] { Timer1_Timer(); });
}

LinkController::PortSearch::~PortSearch() {
    // Being torn down is no crash in the driver: leave no marker behind.
    if (running()) {
        writeCrashPort(0);
    }
}

void LinkController::PortSearch::after(int ms, void (PortSearch::*next)()) {
    next_ = next;
    step_.start(ms);
}

void LinkController::PortSearch::writeCrashPort(int port) {
    writeSetting(link_.app_.ini, keys::GeneralCrashPort, static_cast<std::int16_t>(port));
}

bool LinkController::PortSearch::frameReceived() const {
    return link_.app_.measurement.FrameReceived();
}

void LinkController::PortSearch::start() {
    if (running()) {
        return;
    }
    phase_ = Phase::Testing;
    emit link_.busyChanged(true);
    link_.tmrTimeout_.stop();
    // A new search replaces the connection in use; an open port would fail its own test.
    link_.msc1_.close();
    link_.serialLost_ = false;
    crashCheck();
    link_.msc1_.setSettings(readSetting(link_.app_.ini, keys::GeneralSettings));
    usable_.fill(false);
    testPort_ = kFirstPort - 1;
    testNext();
}

void LinkController::PortSearch::crashCheck() {
    IniStore& ini = link_.app_.ini;
    const int crashed = readSetting(ini, keys::GeneralCrashPort);
    if (crashed <= 0) {
        return;
    }
    const auto answer =
        link_.prompts_.message("VisualORV", crashQuestion(link_.app_.DecimalComma(), crashed),
                               Prompts::Icon::Question, Prompts::Buttons::YesNo);
    if (answer == Prompts::Answer::No) {
        writeSetting(ini, keys::GeneralPortTest,
                     readSetting(ini, keys::GeneralPortTest) + std::to_string(crashed) + "!");
    }
}

// One port per step. The marker is written before the open and cleared after the close, so an
// open that takes the whole program down leaves the port's number behind for the next start.
void LinkController::PortSearch::testNext() {
    const std::string excluded = readSetting(link_.app_.ini, keys::GeneralPortTest);
    do {
        ++testPort_;
    } while (testPort_ <= kLastPort && portExcluded(excluded, testPort_));
    if (testPort_ > kLastPort) {
        afterTest();
        return;
    }
    const int n = testPort_;
    SerialPort& port = link_.msc1_;
    writeCrashPort(n);
    port.setCommPort(n);
    const bool opened = port.open();
    link_.setStatus(QStringLiteral("check... (") + comText(n) + ')');
    if (opened) {
        port.setRts(false);
        port.setDtr(false);
        usable_[static_cast<std::size_t>(n)] = true;
        usable_[0] = true;
    }
    port.close();
    writeCrashPort(0);
    after(0, &PortSearch::testNext);
}

void LinkController::PortSearch::afterTest() {
    if (!usable_[0] && !link_.app_.anotherInstance) {
        link_.setStatus(QStringLiteral("offline"));
        finish(false);
        return;
    }
    link_.app_.measurement.clearFrameReceived();
    k_ = -1;
    searchNext();
}

// The configured port first, then 1..16 in order; the configured one may come round again.
void LinkController::PortSearch::searchNext() {
    while (true) {
        int port = 0;
        if (k_ < 0) {
            k_ = 0;
            port = ParseLong(link_.app_.ComPort());
            if (port <= 0) {
                port = kFirstPort;
                k_ = kFirstPort;
            }
        } else {
            if (++k_ > kLastPort) {
                notFound();
                return;
            }
            port = k_;
        }
        if (port >= kFirstPort && port <= kLastPort && usable_[static_cast<std::size_t>(port)]) {
            tryPort(port);
            return;
        }
    }
}

void LinkController::PortSearch::tryPort(int port) {
    port_ = port;
    SerialPort& msc1 = link_.msc1_;
    writeCrashPort(port);
    msc1.setCommPort(port);
    // A port that has become busy since the test is listened to all the same: it stays silent.
    (void)msc1.open();
    link_.setSerialLines(true);
    // The one thing ever sent to a sensor: some wake up on it.
    msc1.output("1");
    phase_ = Phase::Pausing;
    after(link_.timings_.searchPauseMs, &PortSearch::listen);
}

void LinkController::PortSearch::listen() {
    phase_ = Phase::Listening;
    SearchSeconds = 0;
    Timer1.start(link_.timings_.searchTickMs);
    link_.setStatus(QStringLiteral("searching... (") + comText(port_) + ')');
    if (frameReceived()) {
        endWait();
    }
}

void LinkController::PortSearch::textParsed() {
    // Judged from the event loop, not from inside the port's receive notification.
    if (phase_ == Phase::Listening && frameReceived() && !step_.isActive()) {
        after(0, &PortSearch::endWait);
    }
}

void LinkController::PortSearch::Timer1_Timer() {
    ++SearchSeconds;
    if (SearchSeconds >= link_.timings_.searchSeconds) {
        endWait();
    }
}

void LinkController::PortSearch::endWait() {
    if (phase_ != Phase::Listening) {
        return;
    }
    step_.stop();
    next_ = nullptr;
    Timer1.stop();
    writeCrashPort(0);
    ModMain& app = link_.app_;
    if (frameReceived()) {
        link_.setStatus(comText(port_) + QStringLiteral(" online"));
        app.setComPort(std::to_string(port_));
        if (!app.anotherInstance) {
            writeSetting(app.ini, keys::GeneralSerialPort, static_cast<std::int16_t>(port_));
        }
        finish(true);
        return;
    }
    link_.setSerialLines(false);
    link_.msc1_.close();
    if (app.PortCancel) {
        notFound();
        return;
    }
    phase_ = Phase::Testing;
    searchNext();
}

void LinkController::PortSearch::notFound() {
    link_.setStatus(QStringLiteral("offline"));
    if (!link_.app_.anotherInstance) {
        writeSetting(link_.app_.ini, keys::GeneralSerialPort, std::int16_t{0});
    }
    finish(false);
}

// Every way out ends here, also the one where no port could be opened at all: the supervision
// runs again (the network link may be chosen later) and a stale Cancel does not cut short the
// next search.
void LinkController::PortSearch::finish(bool found) {
    phase_ = Phase::Idle;
    step_.stop();
    next_ = nullptr;
    Timer1.stop();
    link_.tmrTimeout_.start(link_.timings_.timeoutMs);
    link_.app_.PortCancel = false;
    emit link_.busyChanged(false);
    emit link_.portTestFinished(found);
}

} // namespace orv
