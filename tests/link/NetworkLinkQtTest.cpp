// The network link against real peers on 127.0.0.1 (orv-sim, QTcpServer); a scripted client only
// for socket errors that no loopback peer can produce on demand.

#include "LinkTestSupport.h"

#include <QSignalSpy>

#include <tuple>

namespace orv {
namespace {

using test::LinkRig;
using test::Sim;
using test::waitFor;

constexpr const char* kBlank = "--.-   ";

void chooseNetwork(LinkRig& rig, int port) {
    rig.app.setLinkMode(1);
    rig.app.RemoteIP = "127.0.0.1";
    rig.app.RemotePort = port;
    rig.link->startNetworkLink("127.0.0.1", port);
}

// The whole story of the status line: initialised, refused, reconnected on every tick until the
// sensor is up, data received. Its German texts are checked through the dialog.
TEST(NetworkLink, RefusedThenReconnectsOnEveryTickUntilTheSensorIsUp) {
    const int port = test::freeLoopbackPort();
    ASSERT_NE(port, 0);
    LinkRig rig;
    QSignalSpy visible(rig.link.get(), &LinkController::winsockVisibleChanged);
    chooseNetwork(rig, port);
    ASSERT_EQ(visible.count(), 1);
    EXPECT_TRUE(visible.at(0).at(0).toBool());
    EXPECT_TRUE(rig.link->tmrWinsock().isActive());
    ASSERT_FALSE(rig.winsockTexts.empty());
    EXPECT_EQ(rig.winsockTexts.front(), "Winsock initialized");

    const std::string refused = "Connection refused. Not connected.";
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
    ASSERT_TRUE(sensor.tcp(port, {"--temp", "21.0", "--rh", "50.0"}));
    const Measurement& m = rig.app.measurement;
    ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "21.0 °C"; }, 3000));
    EXPECT_EQ(m.statusText(), "127.0.0.1 online");
    EXPECT_EQ(rig.link->winsockText().toStdString(), "12:30:05 data received (127.0.0.1)")
        << "locale time format differs";
}

TEST(NetworkLink, SilentSensorTimesOutAndIsReconnected) {
    const quint16 port = test::freeLoopbackPort();
    test::LoopbackHost sensor;
    ASSERT_TRUE(sensor.listen(QStringLiteral("127.0.0.1"), port, test::LoopbackHost::Mode::Silent));
    LinkRig rig;
    // A serial port number kept from earlier is not reopened while the network is chosen.
    rig.app.setComPort("2");
    chooseNetwork(rig, port);
    ASSERT_TRUE(waitFor([&] { return sensor.accepted() == 1 && rig.link->tcpConnected(); }));
    const QByteArray frame = test::frameBytes("@T;+23.4;H;45.6;");
    ASSERT_EQ(sensor.sendToAll(frame), 1);
    const Measurement& m = rig.app.measurement;
    ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "23.4 °C"; }));

    // Nothing more: from the third tick on the values are blanked and the link restarted.
    ASSERT_TRUE(waitFor([&] { return m.statusText() == "timeout"; }, 2000));
    EXPECT_EQ(m.txtTemp(), kBlank);
    EXPECT_EQ(m.txtRH(), kBlank);
    ASSERT_TRUE(waitFor([&] { return sensor.accepted() >= 2; }, 2000));
    EXPECT_EQ(rig.link->commPort(), 1); // the serial port was never pointed at port 2
    EXPECT_FALSE(rig.msc1.isOpen());

    // The sensor speaks again on whichever connection stands (a restart may still be under way).
    ASSERT_TRUE(waitFor([&] {
        sensor.sendToAll(frame);
        return m.txtTemp() == "23.4 °C";
    }));
    EXPECT_EQ(m.statusText(), "127.0.0.1 online");
}

// Socket errors that a loopback peer cannot be made to produce (a refused connection is real
// above).
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
    // Error number, the text shown at the end, whether the interface dialog is asked for.
    const std::tuple<int, const char*, bool> cases[] = {
        {TcpClient::kErrNetworkDown, "Network Subsystem unreachable.", false},
        {TcpClient::kErrNetworkUnreachable, "Network not reachable.", false},
        {TcpClient::kErrTimedOut, "platform description", false},
        {TcpClient::kErrHostNotFound, "platform description", false},
        {TcpClient::kErrPortNotSupported, "platform description", true},
    };
    for (const auto& [number, shown, dialog] : cases) {
        SCOPED_TRACE(number);
        ScriptedTcpClient client;
        LinkRig rig({.tcp = &client});
        QSignalSpy dialogs(rig.link.get(), &LinkController::portNotSupported);
        rig.link->startNetworkLink("127.0.0.1", 31222);
        const int connects = client.connects;
        rig.winsockTexts.clear();
        client.onError(number, "platform description");
        EXPECT_EQ(rig.winsockTexts.front(), "platform description");
        EXPECT_EQ(rig.link->winsockText().toStdString(), shown);
        EXPECT_EQ(dialogs.count(), dialog ? 1 : 0);
        // Errors never reconnect by themselves; the timers do.
        EXPECT_EQ(client.connects, connects);
    }
}

} // namespace
} // namespace orv
