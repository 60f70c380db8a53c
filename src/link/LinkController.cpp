#include "link/LinkController.h"

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "core/NumberReading.h"
#include "link/PortSearch.h"
#include "platform/QtLocaleFormat.h"
#include "platform/SerialPort.h"
#include "platform/TcpClient.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QLocale>
#include <QTime>

namespace orv {
namespace {

constexpr int kTextWinsockInitialized = 305;
constexpr int kTextNetworkDown = 307;
constexpr int kTextNetworkUnreachable = 308;
constexpr int kTextConnectionRefused = 309;
constexpr int kTextConnectTo = 310;
constexpr int kTextDataReceived = 311;

} // namespace

LinkController::LinkController(ModMain& app, SerialPort& msc1, TcpClient& winsock, Prompts& prompts,
                               LinkTimings timings, QObject* parent)
    : QObject(parent), app_(app), msc1_(msc1), winsock_(winsock), prompts_(prompts),
      timings_(timings), search_(std::make_unique<PortSearch>(*this)) {
    msc1_.onComm = [this](int event) {
        msc1_OnComm(event);
    };
    winsock_.onDataArrival = [this] {
        Winsock1_DataArrival();
    };
    winsock_.onError = [this](int number, const std::string& description) {
        Winsock1_Error(number, description);
    };
    connect(&tmrTimeout_, &QTimer::timeout, this, &LinkController::tmrTimeout_Timer);
    connect(&tmrWinsock_, &QTimer::timeout, this, &LinkController::tmrWinsock_Timer);
    tmrWinsock_.setInterval(timings_.winsockMs);
    // The no-data supervision runs from the start; only the port search pauses it.
    tmrTimeout_.start(timings_.timeoutMs);
    app_.linkProxy.attach(this);
}

LinkController::~LinkController() {
    app_.linkProxy.attach(nullptr);
    search_.reset();
    msc1_.onComm = nullptr;
    winsock_.onDataArrival = nullptr;
    winsock_.onError = nullptr;
}

// --- serial link ------------------------------------------------------------------------------

void LinkController::PortTest() {
    search_->start();
}

bool LinkController::portTestRunning() const {
    return search_->running();
}

void LinkController::msc1_OnComm(int event) {
    if (event == SerialPort::kEventDeviceLost) {
        serialLost_ = true;
        return;
    }
    if (event != SerialPort::kEventReceive) {
        return; // line errors and modem line changes: a damaged frame fails its checksum
    }
    app_.measurement.ParseFrame(msc1_.input());
    setWinsockText(timeOfDayText() + QString::fromStdString(app_.text(kTextDataReceived)) +
                   QStringLiteral("Port") + QString::fromStdString(app_.ComPort()) + ')');
    search_->textParsed();
}

void LinkController::setSerialLines(bool on) {
    serialLines_ = on;
    msc1_.setDtr(on);
    msc1_.setRts(on);
}

bool LinkController::serialOpen() const {
    // A port lost before the network was chosen is no longer the link in use.
    return msc1_.isOpen() || (serialLost_ && !app_.networkMode());
}

int LinkController::commPort() const {
    return msc1_.commPort();
}

void LinkController::restartSerial() {
    // The stored port number outlives a switch to the network; reopening it then would grab a
    // device nobody asked for.
    if (app_.networkMode()) {
        return;
    }
    // The configured port, not whichever port a failed search tried last.
    const int configured = ParseLong(app_.ComPort());
    if (configured >= keys::FirstSerialPort && configured <= keys::LastSerialPort) {
        msc1_.setCommPort(configured);
    }
    msc1_.close();
    if (msc1_.open()) {
        serialLost_ = false;
        setSerialLines(serialLines_);
    }
}

// --- network link -----------------------------------------------------------------------------

int LinkController::ConnectSensor(const std::string& host, int port) {
    winsock_.close();
    winsock_.setRemotePort(port);
    winsock_.setRemoteHost(host);
    return winsock_.connect();
}

void LinkController::startNetworkLink(const std::string& host, int port) {
    superviseNetworkLink();
    (void)ConnectSensor(host, port);
}

void LinkController::superviseNetworkLink() {
    serialLost_ = false;
    setWinsockVisible(true);
    tmrWinsock_.start(timings_.winsockMs);
    setWinsockText(QString::fromStdString(app_.text(kTextWinsockInitialized)));
}

void LinkController::stopNetworkLink() {
    setWinsockVisible(false);
    tmrWinsock_.stop();
    winsock_.close();
}

void LinkController::Winsock1_DataArrival() {
    app_.measurement.ParseFrame(winsock_.getData());
    setWinsockText(timeOfDayText() + QString::fromStdString(app_.text(kTextDataReceived)) +
                   QString::fromStdString(app_.RemoteIP) + ')');
}

// Reconnecting is left to the timers; an error only says what happened.
void LinkController::Winsock1_Error(int number, const std::string& description) {
    setWinsockText(QString::fromStdString(description));
    int textId = 0;
    switch (number) {
    case TcpClient::kErrPortNotSupported:
        emit portNotSupported();
        return;
    case TcpClient::kErrNetworkDown:
        textId = kTextNetworkDown;
        break;
    case TcpClient::kErrNetworkUnreachable:
        textId = kTextNetworkUnreachable;
        break;
    case TcpClient::kErrConnectionRefused:
        textId = kTextConnectionRefused;
        break;
    default:
        return;
    }
    setWinsockText(QString::fromStdString(app_.text(textId, description)));
}

void LinkController::tmrWinsock_Timer() {
    if (winsock_.state() == TcpClient::Connected) {
        return;
    }
    setStatus(QStringLiteral("offline"));
    setWinsockText(QString::fromStdString(app_.text(kTextConnectTo) + app_.RemoteIP));
    winsock_.close();
    (void)winsock_.connect();
}

bool LinkController::tcpConnected() const {
    return winsock_.state() == TcpClient::Connected;
}

std::string LinkController::remoteHost() const {
    return winsock_.remoteHost();
}

void LinkController::restartTcp() {
    winsock_.close();
    (void)winsock_.connect();
}

// --- supervision and what the window shows ----------------------------------------------------

void LinkController::pauseSupervision() {
    tmrTimeout_.stop();
}

void LinkController::resumeSupervision() {
    if (!search_->running()) {
        tmrTimeout_.start(timings_.timeoutMs);
    }
}

void LinkController::tmrTimeout_Timer() {
    app_.measurement.tmrTimeout_Timer();
}

QString LinkController::timeOfDayText() const {
    const CivilTime t = toCivil(app_.clock.now());
    const QLocale locale;
    return locale.toString(QTime(t.hour, t.minute, t.second), longTimeFormatWithoutZone(locale));
}

void LinkController::setStatus(const QString& text) {
    status_ = text;
    emit statusChanged(status_);
}

void LinkController::setWinsockText(const QString& text) {
    winsockText_ = text;
    emit winsockTextChanged(winsockText_);
}

void LinkController::setWinsockVisible(bool visible) {
    winsockVisible_ = visible;
    emit winsockVisibleChanged(visible);
}

} // namespace orv
