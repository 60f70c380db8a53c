#include "core/DayNumber.h"
#include "platform/QtLocaleFormat.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTcpClient.h"
#include "platform/SingleInstance.h"
#include "support/QtWait.h"
#include "support/Socat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

using test::waitFor;

TEST(QtLocaleFormat, GeneralDateKeepsItsPositionalShape) {
    const double evening = fromCivil({2004, 12, 31, 21, 5, 0});
    const double morning = fromCivil({2005, 1, 2, 9, 5, 7});
    const QtLocaleFormat de(QLocale(QLocale::German, QLocale::Germany));
    const QtLocaleFormat us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(de.generalDate(evening), "31.12.2004 21:05:00");
    EXPECT_EQ(de.generalDate(morning), "02.01.2005 09:05:07");
    EXPECT_EQ(us.generalDate(evening), "12/31/2004 9:05:00 PM");
    EXPECT_EQ(us.generalDate(morning), "1/2/2005 9:05:07 AM");
    EXPECT_TRUE(de.decimalComma());
    EXPECT_FALSE(us.decimalComma());
    EXPECT_EQ(Format1(de, 1234.56), "1.234,6");
}

TEST(QtTcpClient, RefusesImpossibleTargetsAtOnce) {
    struct Case {
        const char* host;
        int port;
        int expected;
    };
    const Case cases[] = {
        {"127.0.0.1", 31222, 0},
        {"localhost", 65535, 0},
        {"sensor-7.lab.example", 1, 0},
        {"", 31222, TcpClient::kErrAddressNotAvailable},
        {"192.168.1.300", 31222, TcpClient::kErrAddressNotAvailable},
        {"bad host", 31222, TcpClient::kErrAddressNotAvailable},
        {"127.0.0.1", 0, TcpClient::kErrInvalidArgument},
        {"127.0.0.1", 65536, TcpClient::kErrInvalidArgument},
    };
    for (const auto& c : cases) {
        QtTcpClient client;
        client.setRemoteHost(c.host);
        client.setRemotePort(c.port);
        // Only loopback and unresolvable names are ever attempted; close at once either way.
        const bool loopback =
            std::string(c.host) == "127.0.0.1" || std::string(c.host) == "localhost";
        if (c.expected != 0 || loopback) {
            EXPECT_EQ(client.connect(), c.expected) << c.host << ":" << c.port;
        } else {
            EXPECT_TRUE(QtTcpClient::isPlausibleHost(c.host)) << c.host;
        }
        client.close();
    }
}

TEST(QtTcpClient, ConnectsReceivesAndReportsStates) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QtTcpClient client;
    std::string received;
    client.onDataArrival = [&] {
        received += client.getData();
    };
    client.setRemoteHost("127.0.0.1");
    client.setRemotePort(server.serverPort());
    ASSERT_EQ(client.connect(), 0);
    EXPECT_TRUE(client.state() == TcpClient::Connecting || client.state() == 4);
    ASSERT_TRUE(waitFor([&] { return server.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    ASSERT_TRUE(waitFor([&] { return client.state() == TcpClient::Connected; }));
    EXPECT_EQ(client.remoteHostIP(), "127.0.0.1");

    peer->write("@T;+23.4;H;45.6;B8\r\n");
    ASSERT_TRUE(waitFor([&] { return received.size() == 20; }));
    EXPECT_EQ(received, "@T;+23.4;H;45.6;B8\r\n");

    // The peer hanging up is no error event; the state leaves "connected".
    int errors = 0;
    client.onError = [&](int, const std::string&) {
        ++errors;
    };
    peer->close();
    ASSERT_TRUE(waitFor([&] { return client.state() != TcpClient::Connected; }));
    EXPECT_EQ(errors, 0);
    client.close();
    EXPECT_EQ(client.state(), TcpClient::Closed);
}

TEST(QtTcpClient, RefusedConnectionReportsItsNumber) {
    quint16 freePort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    QtTcpClient client;
    int number = 0;
    std::string description;
    client.onError = [&](int n, const std::string& d) {
        number = n;
        description = d;
    };
    client.setRemoteHost("127.0.0.1");
    client.setRemotePort(freePort);
    ASSERT_EQ(client.connect(), 0);
    ASSERT_TRUE(waitFor([&] { return number != 0; }));
    EXPECT_EQ(number, TcpClient::kErrConnectionRefused);
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(client.state(), TcpClient::Error);
}

class QtSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::socatAvailable()) {
            GTEST_SKIP() << "socat is not installed";
        }
        pair_ = std::make_unique<test::PtyPair>(dir_.path(), "com3", "sensor3");
        ASSERT_TRUE(pair_->ok());
        port_ = std::make_unique<QtSerialPort>([this](int n) {
            return n == 3 ? pair_->deviceA().toStdString() : dir_.filePath("absent").toStdString();
        });
    }

    QTemporaryDir dir_;
    std::unique_ptr<test::PtyPair> pair_;
    std::unique_ptr<QtSerialPort> port_;
};

TEST_F(QtSerialPortTest, MappedPortTalksBothWays) {
    port_->setCommPort(3);
    port_->setSettings("9600,n,8,1");
    ASSERT_TRUE(port_->open()) << port_->lastError();
    EXPECT_TRUE(port_->isOpen());
    port_->setDtr(true); // a pty has no modem lines: must not fail or throw
    port_->setRts(true);

    std::string received;
    int events = 0;
    port_->onComm = [&](int event) {
        ++events;
        EXPECT_EQ(event, SerialPort::kEventReceive);
        received += port_->input();
    };
    QSerialPort sensor(pair_->deviceB());
    ASSERT_TRUE(sensor.open(QIODevice::ReadWrite));
    sensor.write("@T;+23.4;H;45.6;B8\r");
    sensor.flush();
    ASSERT_TRUE(waitFor([&] { return received.size() == 19; }));
    EXPECT_GE(events, 1);

    port_->output("1");
    ASSERT_TRUE(waitFor([&] {
        sensor.waitForReadyRead(10);
        return sensor.bytesAvailable() >= 1;
    }));
    EXPECT_EQ(sensor.readAll(), "1");
}

TEST_F(QtSerialPortTest, UnopenablePortsSayWhy) {
    port_->setCommPort(4);
    EXPECT_FALSE(port_->open());
    EXPECT_FALSE(port_->isOpen());
    EXPECT_FALSE(port_->lastError().empty());
    EXPECT_EQ(port_->deviceOf(3), pair_->deviceA().toStdString());
}

TEST_F(QtSerialPortTest, UnpluggedDeviceDoesNotHurt) {
    port_->setCommPort(3);
    ASSERT_TRUE(port_->open());
    // Pulled: the device node vanishes with its driver. (Killed socat cannot remove its link, and
    // the pty number behind it may soon belong to another test's pair.)
    pair_->kill();
    QFile::remove(pair_->deviceA());
    QTest::qWait(200);
    EXPECT_TRUE(port_->input().empty());
    port_->output("1"); // writing into the vanished device is ignored
    port_->close();
    EXPECT_FALSE(port_->open());
}

TEST(SingleInstance, SecondCopyNoticesTheFirstAndStaleLocksAreTakenOver) {
    QTemporaryDir folder;
    {
        const SingleInstance first(folder.path());
        EXPECT_FALSE(first.anotherInstanceRunning());
        const SingleInstance second(folder.path());
        EXPECT_TRUE(second.anotherInstanceRunning());
    }
    // A lock left behind by a copy that died (its process is gone) does not count.
    QFile stale(QDir(folder.path()).filePath("VisualORV.lock"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("2147483000\nVisualORV\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    const SingleInstance afterCrash(folder.path());
    EXPECT_FALSE(afterCrash.anotherInstanceRunning());
}

} // namespace
} // namespace orv
