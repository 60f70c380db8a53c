// The serial port test and search against real peers: socat pty pairs mapped into the settings'
// port map, orv-sim writing frames into the far end, every other port mapped to a missing file.

#include "LinkTestSupport.h"

#include <QFile>
#include <QSerialPort>

#include <map>
#include <tuple>

namespace orv {
namespace {

using test::LinkRig;
using test::PtyPair;
using test::Sim;
using test::waitFor;

// The far ends of the ptys that have no sensor: what the search sends there ("1") is counted.
struct Listener {
    explicit Listener(const QString& device) : port(device) {
        (void)port.open(QIODevice::ReadWrite);
    }
    int ones() {
        received += port.readAll();
        return static_cast<int>(received.count('1'));
    }
    QSerialPort port;
    QByteArray received;
};

// The ports named by the status texts that begin with `prefix`, with the crash marker that was
// stored when each text appeared.
std::vector<int> portsWithStatus(const LinkRig& rig, const std::string& prefix,
                                 std::vector<int>* crashMarks = nullptr) {
    std::vector<int> ports;
    for (std::size_t i = 0; i < rig.statuses.size(); ++i) {
        if (rig.statuses[i].rfind(prefix, 0) == 0) {
            ports.push_back(std::stoi(rig.statuses[i].substr(prefix.size())));
            if (crashMarks != nullptr) {
                crashMarks->push_back(rig.crashPortAtStatus[i]);
            }
        }
    }
    return ports;
}
const std::vector<int> kAllPorts = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const std::string kCheck = "check... (COM ";
const std::string kSearch = "searching... (COM ";

using SerialLinkSearch = test::SocatTest;

TEST_F(SerialLinkSearch, TriesPortsInOrderAndStopsOnTheFirstGoodFrame) {
    struct Case {
        const char* name;
        const char* ComPort;
        std::vector<int> ptyPorts;
        int sensorPort;
        QStringList simOptions;
        bool found;
        std::vector<int> order;
        bool anotherInstance = false;
    };
    const Case cases[] = {
        {"configured port first", "5", {2, 5}, 2, {}, true, {5, 2}},
        {"no configured port: 1 only once", "0", {1, 2}, 2, {}, true, {1, 2}},
        {"configured port has the sensor", "2", {2, 5}, 2, {}, true, {2}},
        {"configured port comes round again", "5", {5, 7}, 7, {}, true, {5, 5, 7}},
        {"bad checksums do not count", "0", {2}, 2, {"--bad-checksum-every", "1"}, false, {2}},
        {"another copy writes no port", "0", {4}, 4, {}, true, {4}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.app.setComPort(c.ComPort);
        rig.app.anotherInstance = c.anotherInstance;
        writeSetting(rig.ini, keys::GeneralSerialPort, std::int16_t{9});
        std::map<int, std::unique_ptr<Listener>> listeners;
        Sim sensor;
        for (int n : c.ptyPorts) {
            const QString far = rig.ptyPort(n).deviceB();
            if (n == c.sensorPort) {
                ASSERT_TRUE(sensor.serial(far, c.simOptions));
            } else {
                listeners[n] = std::make_unique<Listener>(far);
            }
        }

        rig.link->PortTest();
        EXPECT_TRUE(rig.link->portTestRunning());
        EXPECT_FALSE(rig.link->tmrTimeout().isActive());
        ASSERT_TRUE(waitFor([&] { return !rig.finished.empty(); }, 10000));

        EXPECT_EQ(rig.finished, std::vector<bool>{c.found});
        EXPECT_EQ(rig.busy, (std::vector<bool>{true, false}));
        // The marker names the port while it is open: a crash right there leaves it behind.
        std::vector<int> checkMarks, searchMarks;
        EXPECT_EQ(portsWithStatus(rig, kCheck, &checkMarks), kAllPorts);
        EXPECT_EQ(checkMarks, kAllPorts);
        EXPECT_EQ(portsWithStatus(rig, kSearch, &searchMarks), c.order);
        EXPECT_EQ(searchMarks, c.order);
        EXPECT_EQ(readSetting(rig.ini, keys::GeneralCrashPort), 0);
        EXPECT_TRUE(rig.link->tmrTimeout().isActive());
        EXPECT_FALSE(rig.link->portTestRunning());
        for (auto& [n, listener] : listeners) {
            const auto tries = std::count(c.order.begin(), c.order.end(), n);
            EXPECT_TRUE(waitFor([&] { return listener->ones() == tries; }, 2000))
                << "port " << n << " got " << listener->ones() << " ones";
        }

        if (c.found) {
            const std::string com = "COM " + std::to_string(c.sensorPort);
            EXPECT_EQ(rig.statuses.back(), com + " online");
            EXPECT_EQ(rig.app.ComPort(), std::to_string(c.sensorPort));
            EXPECT_EQ(readSetting(rig.ini, keys::GeneralSerialPort),
                      c.anotherInstance ? 9 : c.sensorPort);
            EXPECT_TRUE(rig.msc1.isOpen());
            EXPECT_EQ(rig.link->commPort(), c.sensorPort);
            // The port stays open and keeps feeding the measurement.
            rig.winsockTexts.clear();
            ASSERT_TRUE(waitFor([&] { return !rig.winsockTexts.empty(); }));
            EXPECT_EQ(rig.winsockTexts.back(),
                      "12:30:05 data received (Port" + std::to_string(c.sensorPort) + ")")
                << "locale time format differs";
            EXPECT_EQ(rig.app.measurement.statusText(), com + " online");
            EXPECT_NE(rig.app.measurement.txtTemp(), "--.- °C");
        } else {
            EXPECT_EQ(rig.statuses.back(), "offline");
            EXPECT_EQ(rig.app.ComPort(), c.ComPort);
            EXPECT_EQ(readSetting(rig.ini, keys::GeneralSerialPort), 0);
            EXPECT_FALSE(rig.msc1.isOpen());
            EXPECT_EQ(rig.app.measurement.txtTemp(), "--.- °C");
        }
    }
}

TEST_F(SerialLinkSearch, ExclusionListNamesWholePortNumbers) {
    const std::tuple<const char*, std::vector<int>> cases[] = {
        {"!", {}},           {"!13!", {13}}, {"!1!", {1}},   {"!3!7!", {3, 7}},
        {"!16!1!", {1, 16}}, {"!3", {3}},    {"!03!x!", {}}, {"!!2!!", {2}},
    };
    for (const auto& [PortTest, excluded] : cases) {
        SCOPED_TRACE(PortTest);
        LinkRig rig;
        writeSetting(rig.ini, keys::GeneralPortTest, PortTest);
        writeSetting(rig.ini, keys::GeneralSerialPort, std::int16_t{7});
        rig.app.PortCancel = true;
        EXPECT_FALSE(rig.runPortTest());
        std::vector<int> expected = kAllPorts;
        std::erase_if(expected, [&](int n) { return std::ranges::count(excluded, n) > 0; });
        EXPECT_EQ(portsWithStatus(rig, kCheck), expected);
        // No port opens at all: "offline" at once, the supervision back on, Cancel forgotten,
        // and the port last found is kept for the next start.
        EXPECT_EQ(rig.statuses.back(), "offline");
        EXPECT_TRUE(portsWithStatus(rig, kSearch).empty());
        EXPECT_TRUE(rig.link->tmrTimeout().isActive());
        EXPECT_FALSE(rig.app.PortCancel);
        EXPECT_EQ(readSetting(rig.ini, keys::GeneralSerialPort), 7);
        EXPECT_EQ(readSetting(rig.ini, keys::GeneralPortTest), PortTest);
    }
}

TEST_F(SerialLinkSearch, CancelStopsAfterThePortBeingTried) {
    LinkRig rig;
    rig.ptyPort(1);
    Listener far5(rig.ptyPort(5).deviceB());
    QObject::connect(rig.link.get(), &LinkController::statusChanged, [&](const QString& s) {
        if (s == "searching... (COM 1)") {
            rig.app.PortCancel = true; // Cancel pressed in the interface dialog
        }
    });
    // The port in use (the first one tested) is given up for the search, not left to fail its
    // own test; a second start while the search runs is ignored.
    rig.msc1.setCommPort(1);
    ASSERT_TRUE(rig.msc1.open());
    rig.link->PortTest();
    EXPECT_FALSE(rig.runPortTest());
    QTest::qWait(50);
    EXPECT_EQ(rig.finished.size(), 1U);
    EXPECT_EQ(rig.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(portsWithStatus(rig, kSearch), std::vector<int>{1});
    EXPECT_EQ(rig.statuses.back(), "offline");
    EXPECT_FALSE(rig.app.PortCancel);
    EXPECT_FALSE(rig.msc1.isOpen());
    EXPECT_EQ(readSetting(rig.ini, keys::GeneralSerialPort), 0);
    EXPECT_EQ(far5.ones(), 0);
}

TEST_F(SerialLinkSearch, UnpluggedSensorTimesOutAndComesBack) {
    LinkRig rig;
    rig.app.setComPort("2");
    PtyPair& pair = rig.ptyPort(2);
    auto sensor = std::make_unique<Sim>();
    ASSERT_TRUE(sensor->serial(pair.deviceB()));
    ASSERT_TRUE(rig.runPortTest());
    const Measurement& m = rig.app.measurement;
    ASSERT_TRUE(waitFor([&] { return m.statusText() == "COM 2 online"; }));

    // Pulled mid-stream: the device node vanishes with its driver.
    pair.kill();
    QFile::remove(pair.deviceA());
    QFile::remove(pair.deviceB());
    ASSERT_TRUE(waitFor([&] { return m.statusText() == "timeout"; }, 3000));
    EXPECT_EQ(m.txtTemp(), "--.-   ");
    EXPECT_EQ(m.txtRH(), "--.-   ");
    EXPECT_EQ(m.txtTp(), "--.-   ");
    EXPECT_FALSE(m.onlineData().newest().temperature.has_value());
    // Reopen attempts on every further tick fail without a word.
    QTest::qWait(3 * rig.link->timings().timeoutMs);
    EXPECT_FALSE(rig.msc1.isOpen());
    EXPECT_TRUE(rig.prompts.asked.empty());
    EXPECT_TRUE(rig.link->serialOpen()); // still the port in use, as far as the supervision goes

    // Plugged in again under the same name: the next reopen catches it.
    sensor = std::make_unique<Sim>();
    ASSERT_TRUE(sensor->serial(rig.ptyPort(2).deviceB(), {"--temp", "21.0", "--rh", "50.0"}));
    ASSERT_TRUE(waitFor([&] { return m.txtTemp() == "21.0 °C"; }, 5000));
    EXPECT_EQ(m.statusText(), "COM 2 online");
    EXPECT_EQ(m.txtRH(), "50.0 %");
    EXPECT_TRUE(rig.msc1.isOpen());
}

} // namespace
} // namespace orv
