#include "link/dlgPort.h"

#include "LinkTestSupport.h"
#include "PortOpenCounter.h"

#include "platform/QtPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTableWidget>

#include <array>
#include <tuple>

namespace orv {
namespace {

using test::waitFor;

// The dialog on `rig`'s link, shown; its scan probes 127.0.0.x and finds no host names.
std::unique_ptr<dlgPort> showDialogOn(test::LinkRig& rig) {
    auto dlg = std::make_unique<dlgPort>(rig.app, *rig.link, rig.prompts,
                                         [] { return std::string("127.0.0.1"); });
    dlg->setScanOptions(
        {.checkMs = 20,
         .tickMs = 25,
         .silentHostMs = 300,
         .lookupHost = [](const QString&, QObject*, std::function<void(const QString&)> done) {
             done(QString());
         }});
    dlg->show();
    return dlg;
}

class InterfaceDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<dlgPort> showDialog() { return showDialogOn(rig); }

    static std::vector<std::string> listedPorts(QComboBox& box) {
        std::vector<std::string> ports;
        for (int i = 0; i < box.count(); ++i) {
            ports.push_back(box.itemData(i).toString().toStdString());
        }
        return ports;
    }

    std::string stored(std::string_view section, std::string_view key) const {
        return rig.ini.ReadIniString(section, key, "<none>");
    }

    test::LinkRig rig{{.language = "de",
                       .timings = {.searchTickMs = 40, .searchPauseMs = 20, .searchSeconds = 4}}};
    ModMain& app = rig.app;
    QtSerialPort& msc1 = rig.msc1;
    LinkController& link = *rig.link;
    test::ScriptedPrompts& prompts = rig.prompts;
};

// Tests with serial ports: pty pairs mapped into the port map.
struct InterfaceDialogSerialTest : InterfaceDialogTest {
    void SetUp() override { test::skipWithoutSocat(); }
};

TEST_F(InterfaceDialogTest, NoPortsShowDashAndOkOnlyBeeps) {
    auto dlg = showDialog();
    EXPECT_EQ(dlg->cboPort().currentText(), "-");
    EXPECT_TRUE(listedPorts(dlg->cboPort()).empty());
    EXPECT_TRUE(dlg->Option1(0).isChecked());
    EXPECT_FALSE(dlg->txtRemIP().isEnabled());
    EXPECT_FALSE(dlg->cmdScan().isEnabled());

    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(stored("General", "Mode"), "<none>");
}

TEST_F(InterfaceDialogSerialTest, PortListShowsDevicesHonoursPortTestAndIsRebuilt) {
    const QString two = rig.ptyPort(2).deviceA();
    rig.ptyPort(5);
    const QString six = rig.ptyPort(6).deviceA();
    ASSERT_TRUE(rig.ini.WriteIniBool("General", "PortTest5", false));

    auto dlg = showDialog();
    dlg->PortTest();
    const std::vector<std::string> expected = {"auto", "Com2", "Com6"};
    EXPECT_EQ(listedPorts(dlg->cboPort()), expected);
    EXPECT_EQ(dlg->cboPort().itemText(1), QStringLiteral("Com2  (%1)").arg(two));
    EXPECT_EQ(dlg->cboPort().itemText(2), QStringLiteral("Com6  (%1)").arg(six));
    EXPECT_EQ(dlg->cboPort().currentText(), "auto");

    // The port the live link holds open is listed and keeps its connection.
    msc1.setCommPort(6);
    ASSERT_TRUE(msc1.open());
    dlg->cboPort().setCurrentIndex(1);
    dlg->PortTest();
    EXPECT_EQ(listedPorts(dlg->cboPort()), expected);
    EXPECT_TRUE(msc1.isOpen());
    EXPECT_EQ(msc1.commPort(), 6);
    EXPECT_EQ(dlg->cboPort().currentText(), QStringLiteral("Com2  (%1)").arg(two));
}

// Coming from the network link: port 3 has no device, another program holds port 4, port 7 opens.
// The choice and the serial mode are kept either way; only an open port is stored.
TEST_F(InterfaceDialogSerialTest, ChosenPortIsOpenedOrReported) {
    QSerialPort other(rig.ptyPort(4).deviceA());
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));
    rig.ptyPort(7);
    for (const char* choice : {"Com3", "Com4", "Com7"}) {
        SCOPED_TRACE(choice);
        const bool opens = choice == std::string("Com7");
        app.setLinkMode(1);
        link.startNetworkLink("127.0.0.1", 9);
        prompts.asked.clear();
        auto dlg = showDialog();
        EXPECT_TRUE(dlg->Option1(1).isChecked());
        dlg->Option1(0).click();
        dlg->cboPort().setEditText(QString::fromLatin1(choice));
        QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);

        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_EQ(app.ComPort(), std::string(choice).substr(3));
        EXPECT_EQ(app.LinkMode(), 0);
        EXPECT_EQ(stored("General", "Mode"), "0");
        EXPECT_FALSE(link.winsockVisible());
        EXPECT_FALSE(link.tmrWinsock().isActive());
        EXPECT_EQ(msc1.isOpen(), opens);
        EXPECT_EQ(stored("General", "PortComm" + std::string(choice).substr(3)),
                  opens ? "1" : "<none>");
        EXPECT_EQ(stored("General", "SerialPort"), opens ? "7" : "<none>");
        if (opens) {
            EXPECT_TRUE(prompts.asked.empty());
            EXPECT_EQ(msc1.commPort(), 7);
            EXPECT_EQ(link.statusText(), "COM 7");
        } else {
            ASSERT_EQ(prompts.asked.size(), 1u);
            EXPECT_EQ(prompts.asked[0].title, "Fehler");
            EXPECT_EQ(prompts.asked[0].text, "Fehler beim Öffnen des ausgewählten Comports!");
            EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Information);
        }
    }
}

// Refused address or port texts keep the dialog open, store nothing and leave the serial link in
// use alone; then a good choice (a port above 32767) connects and is stored.
TEST_F(InterfaceDialogSerialTest, NetworkChoiceIsCheckedThenConnectsAndStoresPortsAbove32767) {
    rig.ptyPort(2);
    msc1.setCommPort(2);
    ASSERT_TRUE(msc1.open());
    const quint16 port = test::freeLoopbackPort();
    ASSERT_GT(port, 32767);
    test::Sim sensor;
    ASSERT_TRUE(sensor.tcp(port));
    auto dlg = showDialog();
    dlg->Option1(1).click();
    EXPECT_FALSE(dlg->cboPort().isEnabled());
    // Which texts are refused is up to the port reader and the socket adapter (tested there);
    // here bad ports and bad addresses, each with its own message.
    const std::string badPort = "Der TCP-Port muss zwischen 1 und 65535 liegen.";
    const std::string badAddress = "IP-Adresse ist ungültig oder Port 31222 ist belegt.";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"127.0.0.1", "70000", badPort},
        {"127.0.0.1", "abc", badPort},
        {"192.168.1.300", "0", badPort},
        {"192.168.1.300", "31222", badAddress},
        {"", "31222", badAddress}};
    for (const auto& [host, portText, message] : cases) {
        prompts.asked.clear();
        dlg->txtRemIP().setText(QString::fromLatin1(host));
        dlg->txtPort().setText(QString::fromLatin1(portText));
        QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
        ASSERT_EQ(prompts.asked.size(), 1u) << host << ":" << portText;
        EXPECT_EQ(prompts.asked[0].text, message) << host << ":" << portText;
        EXPECT_EQ(prompts.asked[0].title, "Fehler");
        EXPECT_EQ(prompts.asked[0].icon, Prompts::Icon::Exclamation);
        EXPECT_TRUE(dlg->isVisible());
    }
    EXPECT_EQ(stored("Winsock", "IP"), "<none>");
    EXPECT_EQ(stored("Winsock", "Port"), "<none>");
    EXPECT_EQ(stored("General", "Mode"), "<none>");
    EXPECT_EQ(app.LinkMode(), 0);
    EXPECT_TRUE(msc1.isOpen());
    EXPECT_FALSE(link.tmrWinsock().isActive());

    prompts.asked.clear();
    dlg->txtRemIP().setText(QStringLiteral("127.0.0.1"));
    dlg->txtPort().setText(QString::number(port));
    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(msc1.isOpen());
    EXPECT_EQ(stored("Winsock", "IP"), "127.0.0.1");
    EXPECT_EQ(rig.ini.ReadIniLong("Winsock", "Port", 0), port);
    EXPECT_EQ(stored("General", "Mode"), "1");
    EXPECT_EQ(app.LinkMode(), 1);
    EXPECT_EQ(app.RemotePort, port);
    EXPECT_EQ(link.winsockText(), "Winsock initialisiert");
    EXPECT_TRUE(link.winsockVisible());
    EXPECT_TRUE(link.tmrWinsock().isActive());
    ASSERT_TRUE(waitFor([&] {
        return link.winsockText() == QStringLiteral("12:30:05 Daten empfangen (127.0.0.1)");
    }));
}

// Network OK connects once, from the serial link and from another sensor's connection: the
// chosen sensor sees one connection, and it stays up.
TEST_F(InterfaceDialogTest, NetworkOkConnectsOnce) {
    for (const bool fromNetwork : {false, true}) {
        SCOPED_TRACE(fromNetwork ? "from another network sensor" : "from the serial link");
        const quint16 port = test::freeLoopbackPort();
        test::LoopbackHost sensor;
        test::LoopbackHost previous;
        ASSERT_TRUE(
            sensor.listen(QStringLiteral("127.0.0.1"), port, test::LoopbackHost::Mode::Silent));
        if (fromNetwork) {
            ASSERT_TRUE(previous.listen(QStringLiteral("127.0.0.2"), port,
                                        test::LoopbackHost::Mode::Silent));
            app.setLinkMode(1);
            link.startNetworkLink("127.0.0.2", port);
            ASSERT_TRUE(waitFor([&] { return link.tcpConnected(); }));
        } else {
            app.setLinkMode(0);
            link.stopNetworkLink();
        }
        auto dlg = showDialog();
        dlg->Option1(1).click();
        dlg->txtRemIP().setText(QStringLiteral("127.0.0.1"));
        dlg->txtPort().setText(QString::number(port));
        QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
        ASSERT_FALSE(dlg->isVisible());

        ASSERT_TRUE(waitFor([&] { return sensor.accepted() >= 1 && link.tcpConnected(); }));
        // Anything else the connect set off has reached the sensor by now.
        QTest::qWait(100);
        EXPECT_EQ(sensor.accepted(), 1);
        EXPECT_EQ(sensor.closedByPeer(), 0);
        EXPECT_TRUE(link.tcpConnected());
        if (fromNetwork) {
            EXPECT_EQ(previous.accepted(), 1);
            EXPECT_TRUE(waitFor([&] { return previous.closedByPeer() == 1; }));
        }
    }
}

// The no-data supervision rests while the dialog is open. However the dialog is left (OK,
// Cancel, the close box, Escape, which is also how a termination request of the program cancels
// it), it runs again with either link: a sensor that stays connected but falls silent goes to
// "timeout" and its values are blanked.
using InterfaceDialogSupervision = test::SocatTest;

TEST_F(InterfaceDialogSupervision, EveryWayOutRestartsItWithEitherLink) {
    enum class Way { Ok, Cancel, CloseBox, Escape };
    const QByteArray frameBytes = test::frameBytes("@T;+23.4;H;45.6;");
    for (int n = 0; n < 8; ++n) {
        const bool network = n >= 4;
        const auto way = static_cast<Way>(n % 4);
        const char* ways[] = {"OK", "Cancel", "close box", "Escape"};
        SCOPED_TRACE(std::string(network ? "network, " : "serial, ") + ways[n % 4]);
        test::LinkRig rig({.timings = test::fastTimings()});
        const Measurement& m = rig.app.measurement;
        test::LoopbackHost host;
        QSerialPort far;
        if (network) {
            const quint16 port = test::freeLoopbackPort();
            ASSERT_TRUE(
                host.listen(QStringLiteral("127.0.0.1"), port, test::LoopbackHost::Mode::Silent));
            rig.app.setLinkMode(1);
            rig.app.RemoteIP = "127.0.0.1";
            rig.app.RemotePort = port;
            rig.link->startNetworkLink("127.0.0.1", port);
        } else {
            far.setPortName(rig.ptyPort(2).deviceB());
            ASSERT_TRUE(far.open(QIODevice::ReadWrite));
            rig.app.setComPort("2");
            rig.msc1.setCommPort(2);
            ASSERT_TRUE(rig.msc1.open());
        }
        // The sensor speaks until its values are shown (over whichever connection stands), then
        // falls silent.
        const auto speak = [&] {
            return waitFor([&] {
                if (network) {
                    host.sendToAll(frameBytes);
                } else if (far.bytesToWrite() == 0) {
                    far.write(frameBytes);
                }
                return m.txtTemp() == "23.4 °C";
            });
        };

        auto dlg = showDialogOn(rig);
        EXPECT_FALSE(rig.link->tmrTimeout().isActive()) << "rests while the dialog is open";
        switch (way) {
        case Way::Ok:
            if (!network) {
                dlg->cboPort().setEditText(QStringLiteral("Com2"));
            }
            QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
            break;
        case Way::Cancel:
            QTest::mouseClick(&dlg->CancelButton(), Qt::LeftButton);
            break;
        case Way::CloseBox:
            dlg->close();
            break;
        case Way::Escape:
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
            break;
        }
        ASSERT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), way == Way::Ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(rig.app.LinkMode(), network ? 1 : 0);
        EXPECT_TRUE(rig.link->tmrTimeout().isActive());

        ASSERT_TRUE(speak());
        ASSERT_TRUE(waitFor([&] { return m.statusText() == "timeout"; }, 3000));
        EXPECT_EQ(m.txtTemp(), "--.-   ");
        EXPECT_EQ(m.txtRH(), "--.-   ");
    }
}

// Each test of the port list opens every free port (toggling DTR on a real one): it runs once
// per opening, and again only when the dialog is active again after a window of this program
// (a message, the scan window) closed over it, never when the user comes back from another
// application. The scan window fills the address field.
TEST_F(InterfaceDialogSerialTest, PortListIsTestedOncePerOpeningAndAfterOwnWindowsOnly) {
    test::PortOpenCounter port3(rig.ptyPort(3).deviceA());
    ASSERT_TRUE(port3.ok());
    const quint16 scanPort = test::freeLoopbackPort();
    test::Sim sensor;
    ASSERT_TRUE(sensor.tcp(scanPort, {}, QStringLiteral("127.0.0.5")));
    app.setLinkMode(1);
    app.RemotePort = scanPort;
    const auto settle = [](QWidget& w) {
        const bool active = waitFor([&] { return w.isActiveWindow(); });
        QTest::qWait(50); // anything the activation set off has run
        return active;
    };

    auto dlg = showDialog();
    ASSERT_TRUE(settle(*dlg));
    EXPECT_EQ(port3.opens(), 1) << "opening";

    // Another application takes the activation, then the user comes back. (No window of this
    // program is active in between, which is how the window system reports it.)
    const auto awayAndBack = [&] {
        QApplication::setActiveWindow(nullptr);
        return waitFor([&] { return !dlg->isActiveWindow(); }) &&
               (QApplication::setActiveWindow(dlg.get()), settle(*dlg));
    };
    ASSERT_TRUE(awayAndBack());
    EXPECT_EQ(port3.opens(), 1) << "back from another application";

    // A message of the program over the dialog, answered by the user.
    QtPrompts messages(dlg.get());
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != dlg.get() && modal->isActiveWindow()) {
            qobject_cast<QDialog*>(modal)->reject();
        }
    });
    answer.start(20);
    messages.message("Fehler", "Something to confirm", Prompts::Icon::Information,
                     Prompts::Buttons::Ok);
    answer.stop();
    // Then the dialog is active again (given back by the window manager, or clicked).
    dlg->activateWindow();
    ASSERT_TRUE(settle(*dlg));
    EXPECT_EQ(port3.opens(), 2) << "after a message";

    // The scan window, closed by the user once the scan is done and a sensor adopted.
    QTest::mouseClick(&dlg->cmdScan(), Qt::LeftButton);
    QPointer<frmAutoScan> scan = dlg->scanWindow();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->ScanPort(), scanPort);
    ASSERT_TRUE(QSignalSpy(scan.data(), &frmAutoScan::scanFinished).wait(10000));
    EXPECT_FALSE(dlg->isActiveWindow());
    ASSERT_EQ(scan->Grid().rowCount(), 1);
    emit scan->Grid().cellDoubleClicked(0, 0);
    EXPECT_EQ(dlg->txtRemIP().text(), "127.0.0.5");
    QTest::mouseClick(&scan->Command2(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return scan.isNull(); }));
    EXPECT_TRUE(app.ScanIdle);
    dlg->activateWindow();
    ASSERT_TRUE(settle(*dlg));
    EXPECT_EQ(port3.opens(), 3) << "after the scan window";

    // Each closing counted once: coming back from another application still tests nothing.
    ASSERT_TRUE(awayAndBack());
    EXPECT_EQ(port3.opens(), 3) << "back from another application, after the scan";
}

TEST_F(InterfaceDialogSerialTest, AutoRunsTheSearchAndStoresTheFoundPort) {
    rig.ptyPort(3);
    test::Sim sensor;
    ASSERT_TRUE(sensor.serial(rig.ptyPort(4).deviceB()));
    auto dlg = showDialog();
    ASSERT_EQ(dlg->cboPort().currentText(), "auto");
    QSignalSpy finished(dlg.get(), &QDialog::finished);
    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg->closePending());
    EXPECT_TRUE(link.portTestRunning());

    ASSERT_TRUE(finished.wait(8000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
    EXPECT_EQ(app.ComPort(), "4");
    EXPECT_EQ(stored("General", "SerialPort"), "4");
    EXPECT_EQ(stored("General", "PortComm4"), "1");
    EXPECT_EQ(stored("General", "Mode"), "0");
    EXPECT_EQ(link.statusText(), "COM 4");
}

// OK and Cancel while a port search runs: nothing nests, and the dialog closes only once the
// search has ended (after the port it was listening to).
TEST_F(InterfaceDialogSerialTest, OkAndCancelWhileASearchRuns) {
    for (int n : {2, 3, 5}) {
        rig.ptyPort(n); // silent ports: the search listens on each in turn
    }
    enum Action { Ok, Cancel };
    struct Case {
        const char* name;
        bool startupSearch; // a search of the program start is running already
        const char* choice;
        std::vector<Action> actions;
        int result;
        const char* mode;     // stored General/Mode
        int openPort;         // 0: the serial port ends closed
        const char* portComm; // stored General/PortComm3
    };
    const Case cases[] = {
        {"cancel", true, "auto", {Cancel}, QDialog::Rejected, "<none>", 0, "<none>"},
        {"auto, then cancel", false, "auto", {Ok, Cancel}, QDialog::Accepted, "0", 0, "<none>"},
        {"port during search", true, "Com3", {Ok}, QDialog::Accepted, "0", 3, "1"},
        {"port, then cancel", true, "Com3", {Ok, Cancel}, QDialog::Rejected, "<none>", 0, "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rig.ini.WriteIniString("General", "Mode", "<none>");
        rig.ini.WriteIniString("General", "PortComm3", "<none>");
        app.setComPort("0");
        msc1.close();
        if (c.startupSearch) {
            link.PortTest();
        }
        auto dlg = showDialog();
        dlg->cboPort().setEditText(QString::fromLatin1(c.choice));
        QSignalSpy finished(dlg.get(), &QDialog::finished);
        for (const Action a : c.actions) {
            if (c.startupSearch || a == Cancel) {
                ASSERT_TRUE(waitFor([&] { return link.statusText().startsWith("searching"); }));
            }
            QTest::mouseClick(a == Ok ? &dlg->OKButton() : &dlg->CancelButton(), Qt::LeftButton);
            EXPECT_TRUE(dlg->isVisible());
            EXPECT_TRUE(dlg->closePending());
        }
        EXPECT_TRUE(app.PortCancel);
        ASSERT_TRUE(finished.wait(5000));
        EXPECT_FALSE(link.portTestRunning());
        EXPECT_EQ(finished.at(0).at(0).toInt(), c.result);
        EXPECT_EQ(stored("General", "Mode"), c.mode);
        EXPECT_EQ(stored("General", "PortComm3"), c.portComm);
        EXPECT_EQ(msc1.isOpen(), c.openPort != 0);
        EXPECT_EQ(link.statusText(), c.openPort != 0 ? "COM 3" : "offline");
        EXPECT_FALSE(app.PortCancel);
        EXPECT_TRUE(prompts.asked.empty());
    }
}

// A bad port opens no scan window; the dialog does not finish closing while a scan window is
// still closing its sockets.
TEST_F(InterfaceDialogTest, ScanRefusesABadPortAndCloseWaitsForTheScanTeardown) {
    app.setLinkMode(1);
    auto dlg = showDialog();
    dlg->txtPort().setText(QStringLiteral("99999"));
    QTest::mouseClick(&dlg->cmdScan(), Qt::LeftButton);
    EXPECT_EQ(dlg->scanWindow(), nullptr);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, "Der TCP-Port muss zwischen 1 und 65535 liegen.");

    QSignalSpy finished(dlg.get(), &QDialog::finished);
    app.ScanIdle = false; // as while a scan window closes its sockets
    QTest::mouseClick(&dlg->CancelButton(), Qt::LeftButton);
    QTest::qWait(30);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(finished.count(), 0);
    app.ScanIdle = true;
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
}

TEST_F(InterfaceDialogTest, TextsFollowTheLanguageAndFit) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"de", "Schnittstelle", "Abbrechen", "Der TCP-Port muss zwischen 1 und 65535 liegen."},
        {"eng", "Interface", "Cancel", "The TCP port must be between 1 and 65535."}};
    if (test::socatAvailable()) {
        rig.ptyPort(5); // a listed port with its device
    }
    for (const auto& [language, caption, cancel, badPort] : cases) {
        rig.strings.selectLanguage(language);
        app.Language = language;
        app.RemoteIP = "192.168.100.200";
        app.setLinkMode(1);
        auto dlg = showDialog();
        EXPECT_EQ(dlg->windowTitle().toStdString(), caption);
        EXPECT_EQ(dlg->Frame1().title().toStdString(), caption);
        EXPECT_EQ(dlg->CancelButton().text().toStdString(), cancel);
        EXPECT_EQ(dlg->OKButton().text(), "OK");
        EXPECT_EQ(test::clippedTexts(*dlg), std::vector<std::string>{}) << language;
        // A chosen port shows whole, device included.
        QComboBox& box = dlg->cboPort();
        for (int i = 0; i < box.count(); ++i) {
            box.setCurrentIndex(i);
            EXPECT_GE(box.lineEdit()->width(),
                      box.fontMetrics().horizontalAdvance(box.currentText()))
                << box.currentText().toStdString();
        }
        box.setCurrentIndex(0);
        const QString address = dlg->txtRemIP().text();
        EXPECT_GE(dlg->txtRemIP().contentsRect().width(),
                  dlg->txtRemIP().fontMetrics().horizontalAdvance(address));
        test::saveScreenshot(*dlg, QStringLiteral("dlgPort-%1.png").arg(language));

        // A port out of range is refused in the dialog's language, and the range is named.
        prompts.asked.clear();
        dlg->txtPort().setText(QStringLiteral("65536"));
        QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].text, badPort);
        EXPECT_TRUE(dlg->isVisible());
    }
}

} // namespace
} // namespace orv
