#pragma once

#include "link/ScanAnswer.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace orv {

class ModMain;
class Prompts;
class QtTcpClient;

// Reverse lookup of a dotted IPv4 address: calls `done` with the host name, or with an empty
// text (or the address itself) when none is known. `context` ends the wait when it is destroyed.
using HostLookup = std::function<void(const QString& ip, QObject* context,
                                      std::function<void(const QString& name)> done)>;

// The system resolver, asynchronously.
[[nodiscard]] HostLookup systemHostLookup();

// The first IPv4 address of a network interface that is up and not loopback, dotted; empty when
// there is none. What the program scans by default; tests and the demo pass 127.0.0.1 instead.
[[nodiscard]] std::string systemLocalAddress();

struct ScanOptions {
    int checkMs = 1000;      // tmrCheck: probe tick
    int tickMs = 500;        // tmrTick: progress, end of scan
    int silentHostMs = 5000; // a host that connects but does not answer is closed after this
    int lateTickLimit = 30;  // socket-ticks granted to connects still pending after the sweep
    HostLookup lookupHost;   // empty: systemHostLookup()
};

// The network scan: probes host addresses 1..253 of the local /24 network on one TCP port, up to
// 24 at a time, and lists every host whose answer looks like a sensor frame. A double-click on a
// row copies the host name (or the IP address) into the interface dialog's address field.
class frmAutoScan final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kProbes = 24;
    static constexpr int kLastHost = 253;

    frmAutoScan(ModMain& app, Prompts& prompts, QLineEdit& remoteAddressField, int scanPort,
                std::function<std::string()> localAddress, ScanOptions options = {},
                QWidget* parent = nullptr);
    ~frmAutoScan() override;

    [[nodiscard]] QTableWidget& Grid() { return *grid_; }
    [[nodiscard]] QLabel& lblInfo() { return *lblInfo_; }
    [[nodiscard]] QLabel& Label2() { return *label2_; }
    [[nodiscard]] QLabel& lblScanInfo() { return *lblScanInfo_; }
    [[nodiscard]] QPushButton& Command2() { return *command2_; }
    [[nodiscard]] QTimer& tmrCheck() { return tmrCheck_; }
    [[nodiscard]] QTimer& tmrTick() { return tmrTick_; }

    [[nodiscard]] int ScanPort() const { return scanPort_; }
    [[nodiscard]] const std::string& NetPrefix() const { return netPrefix_; }
    [[nodiscard]] int FoundCount() const { return foundCount_; }
    // Probe sockets in existence (closed ones waiting for reuse included).
    [[nodiscard]] int socketCount() const;
    // Sweeping or draining: the timers run.
    [[nodiscard]] bool running() const;

signals:
    // The sweep is done and every probe socket is gone.
    void scanFinished(int found);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    struct Probe {
        QtTcpClient* socket = nullptr;
        bool connectedSeen = false;
        QElapsedTimer connectedFor;
    };

    void buildWindow();
    void Form_Load();
    void tmrCheck_Timer();
    void tmrTick_Timer();
    void wskTest_DataArrival(int index);
    void wskTest_Error(int index);
    void Grid_DblClick(int row);
    void Form_Unload();

    void createProbe(int index);
    void probeNextHost(int index);
    // Closes a socket; destroys it once the sweep is over (the probe tick reuses it otherwise).
    void closeProbe(int index);
    void destroyProbe(int index);
    void enterAnswer(int index, const std::string& answer);
    [[nodiscard]] bool sweepDone() const { return nextHost_ > kLastHost; }

    ModMain& app_;
    Prompts& prompts_;
    QLineEdit& remoteAddressField_;
    std::function<std::string()> localAddress_;
    ScanOptions options_;

    QTableWidget* grid_ = nullptr;
    QLabel* lblInfo_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* lblScanInfo_ = nullptr;
    QPushButton* command2_ = nullptr;
    QTimer tmrCheck_;
    QTimer tmrTick_;

    std::array<Probe, kProbes + 1> probes_{}; // index 0 unused: the probes are elements 1..24
    ScanAnswers answers_;
    ProgressDots dots_;
    int scanPort_ = 0;
    std::string netPrefix_;
    int nextHost_ = 1;
    int foundCount_ = 0;
    int lateTicks_ = 0;
    bool loaded_ = false;
    bool tornDown_ = false;
};

} // namespace orv
