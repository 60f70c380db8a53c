#pragma once

#include "core/LinkControl.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>

namespace orv {

class ModMain;
class Prompts;
class SerialPort;
class TcpClient;

// Intervals of the link's timers and waits. The program uses the defaults; tests shorten them.
struct LinkTimings {
    int timeoutMs = 7000;    // tmrTimeout: no-data supervision tick
    int winsockMs = 8000;    // tmrWinsock: reconnect check of the network link
    int searchTickMs = 1000; // Timer1: one "second" of listening during the port search
    int searchPauseMs = 800; // pause after "1" was sent to a port being searched
    int searchSeconds = 5;   // Timer1 ticks listened per port
};

// The sensor link of the main window: the serial port `msc1` with its port test and search, the
// TCP client `Winsock1` with its reconnect supervision, and the no-data supervision `tmrTimeout`.
// Received text goes straight into the shared measurement's ParseFrame. Long procedures (the port
// test and search) are asynchronous state machines on the event loop: same steps, texts and order
// as a blocking loop, but nothing nests.
//
// The window layer shows what the signals report: panel 5 of the status bar, the status line
// `txtWinsock` (text and visibility) and the busy pointer.
class LinkController final : public QObject, public LinkControl {
    Q_OBJECT
public:
    // Takes over the port's and the client's notifications, attaches itself to the shared
    // state's link proxy and starts `tmrTimeout`; all borrowed objects must outlive it.
    LinkController(ModMain& app, SerialPort& msc1, TcpClient& winsock, Prompts& prompts,
                   LinkTimings timings = {}, QObject* parent = nullptr);
    ~LinkController() override;

    [[nodiscard]] SerialPort& msc1() { return msc1_; }
    [[nodiscard]] TcpClient& Winsock1() { return winsock_; }
    [[nodiscard]] QTimer& tmrTimeout() { return tmrTimeout_; }
    [[nodiscard]] QTimer& tmrWinsock() { return tmrWinsock_; }
    [[nodiscard]] const LinkTimings& timings() const { return timings_; }

    // --- serial link -----------------------------------------------------------------------
    // The crash-safe port test of ports 1..16, then the search for the port on which the sensor
    // speaks (the configured port first). Returns at once; `portTestFinished` reports the end.
    // A call while a test runs is ignored. `PortCancel` of the shared state stops the search after
    // the port being tried.
    void PortTest();
    [[nodiscard]] bool portTestRunning() const;

    // --- network link ----------------------------------------------------------------------
    // Close, set remote port and host, connect. 0, or the socket error number when the request
    // was refused at once (malformed address, port outside 1..65535).
    int ConnectSensor(const std::string& host, int port);
    // Start-up in network mode: `superviseNetworkLink`, then the sensor is connected.
    void startNetworkLink(const std::string& host, int port);
    // The network link is in use (the interface dialog calls this after its own ConnectSensor):
    // the status line becomes visible and shows text 305, and `tmrWinsock` runs. Connects nothing.
    void superviseNetworkLink();
    // Choosing the serial link: status line hidden, `tmrWinsock` stopped, connection closed.
    void stopNetworkLink();

    // --- no-data supervision ----------------------------------------------------------------
    // The interface dialog rests `tmrTimeout` while it is open and restarts it on every way out,
    // whichever link is chosen; a running port search restarts it itself when it ends.
    void pauseSupervision();
    void resumeSupervision();

    // --- what the window layer shows -------------------------------------------------------
    [[nodiscard]] QString statusText() const { return status_; }
    [[nodiscard]] QString winsockText() const { return winsockText_; }
    [[nodiscard]] bool winsockVisible() const { return winsockVisible_; }

    // Writes panel 5 (also used by the interface dialog: "COM n" after choosing a port).
    void setStatus(const QString& text);
    void setWinsockText(const QString& text);
    void setWinsockVisible(bool visible);

    // --- LinkControl: what the measurement asks of the link --------------------------------
    [[nodiscard]] int commPort() const override;
    [[nodiscard]] std::string remoteHost() const override;
    // Open, or open until its device vanished (a USB adapter pulled): the link still counts as
    // in use, so the supervision shows "timeout" and keeps reopening it until it comes back.
    [[nodiscard]] bool serialOpen() const override;
    [[nodiscard]] bool tcpConnected() const override;
    // Reopens the configured port (`ComPort`); failures are quiet and retried on the next tick.
    // Does nothing while the network link is chosen.
    void restartSerial() override;
    void restartTcp() override;

signals:
    void statusChanged(const QString& panel5);
    void winsockTextChanged(const QString& text);
    void winsockVisibleChanged(bool visible);
    // The busy pointer during the port test and search.
    void busyChanged(bool busy);
    void portTestFinished(bool sensorFound);
    // Socket error 10043: the main window shows text 306 (title 225), then the interface dialog.
    void portNotSupported();

private:
    class PortSearch;

    void msc1_OnComm(int event);
    void Winsock1_DataArrival();
    void Winsock1_Error(int number, const std::string& description);
    void tmrWinsock_Timer();
    void tmrTimeout_Timer();

    // DTR and RTS together; remembered so a reopened port gets the lines it had.
    void setSerialLines(bool on);
    // The time of day in the system's time format, for the "data received" line.
    [[nodiscard]] QString timeOfDayText() const;

    ModMain& app_;
    SerialPort& msc1_;
    TcpClient& winsock_;
    Prompts& prompts_;
    LinkTimings timings_;
    QTimer tmrTimeout_;
    QTimer tmrWinsock_;
    std::unique_ptr<PortSearch> search_;
    bool serialLines_ = false;
    bool serialLost_ = false;

    QString status_;
    QString winsockText_;
    bool winsockVisible_ = false;
};

} // namespace orv
