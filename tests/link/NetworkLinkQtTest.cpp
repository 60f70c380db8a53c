// The network link against real peers on 127.0.0.1 (orv-sim, QTcpServer); a scripted client only
// for socket errors that no loopback peer can produce on demand.

#include "LinkControllerTestRig.h"

#include "core/FrameChecksum.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

namespace orv {
namespace {

using test::LinkRig;
using test::Sim;
using test::waitFor;

constexpr const char* kBlank = "--.-   ";

int freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    return probe.serverPort();
}

void chooseNetwork(LinkRig& rig, int port) {
    rig.app.setLinkMode(1);
    rig.app.RemoteIP = "127.0.0.1";
    rig.app.RemotePort = port;
    rig.link->startNetworkLink("127.0.0.1", port);
}

TEST(NetworkLink, ValuesArriveInBothLanguages) {
    Sim sensor;
    ASSERT_TRUE(sensor.tcp(0, {"--temp", "21.0", "--rh", "50.0"}));
    struct Case {
        const char* language;
        const char* initialized;
        const char* received;
    };
    const Case cases[] = {
        {"eng", "Winsock initialized", "12:30:05 data received (127.0.0.1)"},
        {"de", "Winsock initialisiert", "12:30:05 Daten empfangen (127.0.0.1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        LinkRig rig;
        rig.strings.selectLanguage(c.language);
        QSignalSpy visible(rig.link.get(), &LinkController::winsockVisibleChanged);
        chooseNetwork(rig, sensor.port());
        EXPECT_TRUE(rig.link->winsockVisible());
        ASSERT_EQ(visible.count(), 1);
        EXPECT_TRUE(visible.at(0).at(0).toBool());
        EXPECT_TRUE(rig.link->tmrWinsock().isActive());
        ASSERT_FALSE(rig.winsockTexts.empty());
        EXPECT_EQ(rig.winsockTexts.front(), c.initialized);

        const Measurement& m = rig.app.measurement;
        ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "21.0 °C"; }));
        EXPECT_EQ(m.statusText(), "127.0.0.1 online");
        EXPECT_EQ(m.txtRH(), "50.0 %");
        EXPECT_TRUE(rig.link->tcpConnected());
        EXPECT_EQ(rig.link->remoteHost(), "127.0.0.1");
        EXPECT_EQ(rig.link->winsockText().toStdString(), c.received)
            << "locale time format differs";

        rig.link->stopNetworkLink();
        EXPECT_FALSE(rig.link->winsockVisible());
        EXPECT_FALSE(rig.link->tmrWinsock().isActive());
        EXPECT_FALSE(rig.link->tcpConnected());
    }
}

TEST(NetworkLink, RefusedThenReconnectsOnEveryTickUntilTheSensorIsUp) {
    const int port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    LinkRig rig;
    const std::string refused = "Connection refused. Not connected.";
    chooseNetwork(rig, port);
    ASSERT_TRUE(waitFor([&] { return rig.link->winsockText().toStdString() == refused; }));
    // The platform's description comes first, then the program's own text replaces it.
    ASSERT_GE(rig.winsockTexts.size(), 3U);
    const std::string description = rig.winsockTexts[rig.winsockTexts.size() - 2];
    EXPECT_NE(description, refused);
    EXPECT_FALSE(description.empty());

    ASSERT_TRUE(waitFor([&] { return rig.sawStatus("offline"); }, 2000));
    ASSERT_TRUE(waitFor(
        [&] { return std::count(rig.winsockTexts.begin(), rig.winsockTexts.end(), refused) >= 2; },
        2000));
    EXPECT_NE(std::find(rig.winsockTexts.begin(), rig.winsockTexts.end(), "Connect to 127.0.0.1"),
              rig.winsockTexts.end());
    EXPECT_TRUE(rig.prompts.asked.empty());

    Sim sensor;
    ASSERT_TRUE(sensor.tcp(port));
    const Measurement& m = rig.app.measurement;
    ASSERT_TRUE(waitFor([&] { return m.statusText() == "127.0.0.1 online"; }, 3000));
    EXPECT_NE(m.txtTemp(), "--.- °C");
}

TEST(NetworkLink, SilentSensorTimesOutAndIsReconnected) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (server.hasPendingConnections()) {
            peers.emplace_back(server.nextPendingConnection());
        }
    });
    LinkRig rig;
    // A serial port number kept from earlier is not reopened while the network is chosen.
    rig.app.setComPort("2");
    chooseNetwork(rig, server.serverPort());
    ASSERT_TRUE(waitFor([&] { return peers.size() == 1 && rig.link->tcpConnected(); }));
    const auto frame = buildFrame("@T;+23.4;H;45.6;");
    ASSERT_TRUE(frame);
    peers[0]->write(frame->data(), static_cast<qint64>(frame->size()));
    const Measurement& m = rig.app.measurement;
    ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "23.4 °C"; }));

    // Nothing more: from the third tick on the values are blanked and the link restarted.
    ASSERT_TRUE(waitFor([&] { return m.statusText() == "timeout"; }, 2000));
    EXPECT_EQ(m.txtTemp(), kBlank);
    EXPECT_EQ(m.txtRH(), kBlank);
    ASSERT_TRUE(waitFor([&] { return peers.size() >= 2; }, 2000));
    EXPECT_EQ(rig.link->commPort(), 1); // the serial port was never pointed at port 2
    EXPECT_FALSE(rig.msc1.isOpen());

    // The sensor speaks again on whichever connection stands (a restart may still be under way).
    ASSERT_TRUE(waitFor([&] {
        if (peers.back()->state() == QAbstractSocket::ConnectedState) {
            peers.back()->write(frame->data(), static_cast<qint64>(frame->size()));
        }
        return m.txtTemp() == "23.4 °C";
    }));
    EXPECT_EQ(m.statusText(), "127.0.0.1 online");
}

TEST(NetworkLink, RestartedSensorIsReconnected) {
    LinkRig rig;
    auto sensor = std::make_unique<Sim>();
    ASSERT_TRUE(sensor->tcp(0, {"--temp", "20.0"}));
    const int port = sensor->port();
    chooseNetwork(rig, port);
    const Measurement& m = rig.app.measurement;
    ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "20.0 °C"; }));

    sensor.reset();
    ASSERT_TRUE(waitFor([&] { return !rig.link->tcpConnected(); }));
    sensor = std::make_unique<Sim>();
    ASSERT_TRUE(sensor->tcp(port, {"--temp", "25.0"}));
    ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "25.0 °C"; }, 3000));
    EXPECT_EQ(m.statusText(), "127.0.0.1 online");
}

TEST(NetworkLink, ConnectSensorTakesPortsUpTo65535AndRefusesNonsense) {
    QTcpServer server;
    // A port beyond the 16-bit signed range.
    for (int p = 40000 + (QCoreApplication::applicationPid() % 20000); !server.isListening();
         p = p >= 65535 ? 40000 : p + 1) {
        (void)server.listen(QHostAddress::LocalHost, static_cast<quint16>(p));
    }
    ASSERT_GT(server.serverPort(), 32767);
    LinkRig rig;
    struct Case {
        const char* host;
        int port;
        int result;
    };
    const Case cases[] = {
        {"127.0.0.1", 70000, TcpClient::kErrInvalidArgument},
        {"127.0.0.1", 0, TcpClient::kErrInvalidArgument},
        {"", 31222, TcpClient::kErrAddressNotAvailable},
        {"127.0.0.300", 31222, TcpClient::kErrAddressNotAvailable},
        {"127.0.0.1", server.serverPort(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.host) + ":" + std::to_string(c.port));
        EXPECT_EQ(rig.link->ConnectSensor(c.host, c.port), c.result);
        EXPECT_EQ(rig.winsock.remotePort(), c.port);
        EXPECT_EQ(rig.winsock.remoteHost(), c.host);
        if (c.result != 0) {
            EXPECT_EQ(rig.winsock.state(), TcpClient::Closed);
        }
    }
    ASSERT_TRUE(waitFor([&] { return server.hasPendingConnections(); }));
    EXPECT_TRUE(waitFor([&] { return rig.link->tcpConnected(); }));
}

// Socket errors that a loopback peer cannot be made to produce.
class ScriptedTcpClient final : public TcpClient {
public:
    void setRemoteHost(const std::string& host) override { host_ = host; }
    [[nodiscard]] std::string remoteHost() const override { return host_; }
    void setRemotePort(int port) override { port_ = port; }
    [[nodiscard]] int remotePort() const override { return port_; }
    [[nodiscard]] int connect() override {
        ++connects;
        return 0;
    }
    void close() override {}
    [[nodiscard]] int state() const override { return Connecting; }
    [[nodiscard]] std::string getData() override { return {}; }
    [[nodiscard]] std::string remoteHostIP() const override { return {}; }
    int connects = 0;

private:
    std::string host_;
    int port_ = 0;
};

TEST(NetworkLink, SocketErrorsShowTheirTextAndOnlyAnUnsupportedPortAsksForTheDialog) {
    struct Case {
        int number;
        const char* shown;
        bool dialog;
    };
    const Case cases[] = {
        {TcpClient::kErrNetworkDown, "Network Subsystem unreachable.", false},
        {TcpClient::kErrNetworkUnreachable, "Network not reachable.", false},
        {TcpClient::kErrConnectionRefused, "Connection refused. Not connected.", false},
        {TcpClient::kErrTimedOut, "platform description", false},
        {TcpClient::kErrHostNotFound, "platform description", false},
        {TcpClient::kErrPortNotSupported, "platform description", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        ScriptedTcpClient client;
        LinkRig rig(test::fastTimings(), &client);
        QSignalSpy dialog(rig.link.get(), &LinkController::portNotSupported);
        rig.link->startNetworkLink("127.0.0.1", 31222);
        const int connects = client.connects;
        rig.winsockTexts.clear();
        client.onError(c.number, "platform description");
        EXPECT_EQ(rig.winsockTexts.front(), "platform description");
        EXPECT_EQ(rig.link->winsockText().toStdString(), c.shown);
        EXPECT_EQ(dialog.count(), c.dialog ? 1 : 0);
        // Errors never reconnect by themselves; the timers do.
        EXPECT_EQ(client.connects, connects);
    }
}

} // namespace
} // namespace orv
