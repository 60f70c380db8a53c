#include "link/dlgPort.h"
#include "link/LinkController.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTcpClient.h"
#include "shell/SettingsKeys.h"
#include "support/ScriptedPrompts.h"
#include "support/Socat.h"

#include "ScanTestSupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace orv {
namespace {

using test::waitFor;

class InterfaceDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every port number leads into the temporary folder: nothing real is ever opened.
        for (int n = 1; n <= 16; ++n) {
            mapPort(n, dir().file("absent" + std::to_string(n)).string());
        }
        link_ = std::make_unique<LinkController>(state_.app, msc1_, winsock_, prompts_, timings());
    }

    static LinkTimings timings() {
        LinkTimings t;
        t.searchTickMs = 40;
        t.searchPauseMs = 20;
        t.searchSeconds = 4;
        return t;
    }

    const test::TempDir& dir() const { return state_.dir; }
    void mapPort(int n, const std::string& device) {
        devices_[n] = device;
        ASSERT_TRUE(state_.ini.WriteIniString(keys::PortMap, keys::portMapKey(n), device));
    }
    // An empty settings file again, with the same port map.
    void resetSettings() {
        std::filesystem::remove(state_.ini.path());
        for (const auto& [n, device] : devices_) {
            mapPort(n, device);
        }
    }
    // A pty pair whose first end becomes port n.
    test::PtyPair& ptyPort(int n) {
        const QString folder = QString::fromStdString(dir().path().string());
        auto pair = std::make_unique<test::PtyPair>(folder, QStringLiteral("com%1").arg(n),
                                                    QStringLiteral("sensor%1").arg(n));
        EXPECT_TRUE(pair->ok());
        mapPort(n, pair->deviceA().toStdString());
        ptys_.push_back(std::move(pair));
        return *ptys_.back();
    }

    std::unique_ptr<dlgPort> makeDialog() {
        auto dlg = std::make_unique<dlgPort>(state_.app, *link_, prompts_,
                                             [] { return std::string("127.0.0.1"); });
        ScanOptions options;
        options.checkMs = 20;
        options.tickMs = 25;
        options.silentHostMs = 300;
        options.lookupHost = [](const QString&, QObject* context,
                                std::function<void(const QString&)> done) {
            QTimer::singleShot(0, context, [done = std::move(done)] { done(QString()); });
        };
        dlg->setScanOptions(options);
        return dlg;
    }

    static void activate(QWidget& w) {
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&w, &activation);
    }

    static std::vector<std::string> listedPorts(QComboBox& box) {
        std::vector<std::string> ports;
        for (int i = 0; i < box.count(); ++i) {
            ports.push_back(box.itemData(i).toString().toStdString());
        }
        return ports;
    }

    std::string stored(std::string_view section, std::string_view key) const {
        return state_.ini.ReadIniString(section, key, "<none>");
    }

    void SetUpSerialOnly() {
        if (!test::socatAvailable()) {
            GTEST_SKIP() << "socat is not installed";
        }
    }

    test::AppState state_{"de"};
    test::ScriptedPrompts prompts_;
    QtSerialPort msc1_{[this](int n) {
        return portDevice(state_.ini, n);
    }};
    QtTcpClient winsock_;
    std::unique_ptr<LinkController> link_;
    std::vector<std::unique_ptr<test::PtyPair>> ptys_;
    std::map<int, std::string> devices_;
};

TEST_F(InterfaceDialogTest, NoPortsShowDashAndOkOnlyBeeps) {
    auto dlg = makeDialog();
    dlg->show();
    EXPECT_EQ(dlg->cboPort().currentText(), "-");
    EXPECT_TRUE(listedPorts(dlg->cboPort()).empty());
    EXPECT_TRUE(dlg->Option1(0).isChecked());
    EXPECT_FALSE(dlg->txtRemIP().isEnabled());
    EXPECT_FALSE(dlg->cmdScan().isEnabled());

    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
    EXPECT_EQ(prompts_.beeps, 1);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(prompts_.asked.empty());
    EXPECT_EQ(stored("General", "Mode"), "<none>");
}

TEST_F(InterfaceDialogTest, PortListShowsDevicesHonoursPortTestAndIsRebuilt) {
    SetUpSerialOnly();
    if (HasFatalFailure() || IsSkipped()) {
        return;
    }
    const QString two = ptyPort(2).deviceA();
    ptyPort(5);
    const QString six = ptyPort(6).deviceA();
    ASSERT_TRUE(state_.ini.WriteIniBool("General", "PortTest5", false));

    auto dlg = makeDialog();
    dlg->show();
    activate(*dlg);
    activate(*dlg);
    const std::vector<std::string> expected = {"auto", "Com2", "Com6"};
    EXPECT_EQ(listedPorts(dlg->cboPort()), expected);
    EXPECT_EQ(dlg->cboPort().itemText(1), QStringLiteral("Com2  (%1)").arg(two));
    EXPECT_EQ(dlg->cboPort().itemText(2), QStringLiteral("Com6  (%1)").arg(six));
    EXPECT_EQ(dlg->cboPort().currentText(), "auto");

    // The port the live link holds open is listed and keeps its connection.
    msc1_.setCommPort(6);
    ASSERT_TRUE(msc1_.open());
    dlg->cboPort().setCurrentIndex(1);
    activate(*dlg);
    EXPECT_EQ(listedPorts(dlg->cboPort()), expected);
    EXPECT_TRUE(msc1_.isOpen());
    EXPECT_EQ(msc1_.commPort(), 6);
    EXPECT_EQ(dlg->cboPort().currentText(), QStringLiteral("Com2  (%1)").arg(two));
}

TEST_F(InterfaceDialogTest, ChosenPortThatCannotBeOpenedIsReportedAndModeStored) {
    SetUpSerialOnly();
    if (IsSkipped()) {
        return;
    }
    test::PtyPair& held = ptyPort(4);
    QSerialPort other(held.deviceA()); // another program holds port 4
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));

    const char* choices[] = {"Com3", "Com4"}; // 3: no such device, 4: busy
    for (const char* choice : choices) {
        state_.app.setLinkMode(1);
        prompts_.asked.clear();
        auto dlg = makeDialog();
        dlg->show();
        EXPECT_TRUE(dlg->Option1(1).isChecked());
        EXPECT_TRUE(listedPorts(dlg->cboPort()).empty()) << choice;
        dlg->Option1(0).click();
        dlg->cboPort().setEditText(QString::fromLatin1(choice));
        QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);

        ASSERT_EQ(prompts_.asked.size(), 1u) << choice;
        EXPECT_EQ(prompts_.asked[0].title, "Fehler");
        EXPECT_EQ(prompts_.asked[0].text, "Fehler beim Öffnen des ausgewählten Comports!");
        EXPECT_EQ(prompts_.asked[0].icon, Prompts::Icon::Information);
        EXPECT_FALSE(dlg->isVisible()) << choice;
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_EQ(state_.app.ComPort(), std::string(choice).substr(3));
        EXPECT_EQ(state_.app.LinkMode(), 0);
        EXPECT_EQ(stored("General", "Mode"), "0");
        EXPECT_FALSE(msc1_.isOpen());
    }
    EXPECT_EQ(stored("General", "SerialPort"), "<none>");
    EXPECT_EQ(stored("General", "PortComm3"), "<none>");
    EXPECT_EQ(stored("General", "PortComm4"), "<none>");
}

TEST_F(InterfaceDialogTest, ChosenPortOpensAndIsStored) {
    SetUpSerialOnly();
    if (IsSkipped()) {
        return;
    }
    ptyPort(7);
    link_->startNetworkLink("127.0.0.1", 9); // was on the network; the dialog switches back
    auto dlg = makeDialog();
    dlg->show();
    dlg->cboPort().setCurrentIndex(dlg->cboPort().findData(QStringLiteral("Com7")));
    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);

    EXPECT_TRUE(prompts_.asked.empty());
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(msc1_.isOpen());
    EXPECT_EQ(msc1_.commPort(), 7);
    EXPECT_EQ(state_.app.ComPort(), "7");
    EXPECT_EQ(stored("General", "PortComm7"), "1");
    EXPECT_EQ(stored("General", "SerialPort"), "7");
    EXPECT_EQ(stored("General", "Mode"), "0");
    EXPECT_EQ(link_->statusText(), "COM 7");
    EXPECT_FALSE(link_->winsockVisible());
    EXPECT_FALSE(link_->tmrWinsock().isActive());
}

TEST_F(InterfaceDialogTest, RefusedNetworkSettingsKeepTheDialogOpenAndStoreNothing) {
    SetUpSerialOnly();
    if (IsSkipped()) {
        return;
    }
    ptyPort(2);
    msc1_.setCommPort(2);
    ASSERT_TRUE(msc1_.open()); // the serial link in use must survive the refusal
    struct Case {
        const char* host;
        const char* port;
    };
    const Case cases[] = {{"127.0.0.1", "70000"}, {"127.0.0.1", "0"}, {"127.0.0.1", "abc"},
                          {"bad host", "31222"},  {"", "31222"},      {"192.168.1.300", "31222"},
                          {"127.0.0.1", "-5"}};
    auto dlg = makeDialog();
    dlg->show();
    dlg->Option1(1).click();
    for (const auto& c : cases) {
        prompts_.asked.clear();
        dlg->txtRemIP().setText(QString::fromLatin1(c.host));
        dlg->txtPort().setText(QString::fromLatin1(c.port));
        QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
        ASSERT_EQ(prompts_.asked.size(), 1u) << c.host << ":" << c.port;
        EXPECT_EQ(prompts_.asked[0].text, "IP-Adresse ist ungültig oder Port 31222 ist belegt.");
        EXPECT_EQ(prompts_.asked[0].title, "Fehler");
        EXPECT_EQ(prompts_.asked[0].icon, Prompts::Icon::Exclamation);
        EXPECT_TRUE(dlg->isVisible());
    }
    EXPECT_EQ(stored("Winsock", "IP"), "<none>");
    EXPECT_EQ(stored("Winsock", "Port"), "<none>");
    EXPECT_EQ(stored("General", "Mode"), "<none>");
    EXPECT_EQ(state_.app.LinkMode(), 0);
    EXPECT_TRUE(msc1_.isOpen());
    EXPECT_FALSE(link_->tmrWinsock().isActive());
}

TEST_F(InterfaceDialogTest, NetworkChoiceConnectsAndStoresPortsAbove32767) {
    const quint16 port = test::freeLoopbackPort();
    test::SimSensor sensor;
    ASSERT_TRUE(sensor.start(QStringLiteral("127.0.0.1"), port, QStringLiteral("NETDLG01")))
        << sensor.errors().toStdString();
    auto dlg = makeDialog();
    dlg->show();
    dlg->Option1(1).click();
    EXPECT_FALSE(dlg->cboPort().isEnabled());
    dlg->txtRemIP().setText(QStringLiteral("127.0.0.1"));
    dlg->txtPort().setText(QString::number(port));
    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);

    EXPECT_TRUE(prompts_.asked.empty());
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(stored("Winsock", "IP"), "127.0.0.1");
    EXPECT_EQ(state_.ini.ReadIniLong("Winsock", "Port", 0), port);
    EXPECT_EQ(stored("General", "Mode"), "1");
    EXPECT_EQ(state_.app.LinkMode(), 1);
    EXPECT_EQ(state_.app.RemotePort, port);
    EXPECT_EQ(link_->winsockText(), "Winsock initialisiert");
    EXPECT_TRUE(link_->winsockVisible());
    EXPECT_TRUE(link_->tmrWinsock().isActive());
    ASSERT_TRUE(waitFor([&] {
        return link_->winsockText().contains(QStringLiteral(" Daten empfangen (127.0.0.1)"));
    }));
}

TEST_F(InterfaceDialogTest, AutoRunsTheSearchAndStoresTheFoundPort) {
    SetUpSerialOnly();
    if (IsSkipped()) {
        return;
    }
    ptyPort(3);
    test::PtyPair& withSensor = ptyPort(4);
    QProcess sensor;
    sensor.start(QStringLiteral(ORV_SIM_PATH), {QStringLiteral("--serial"), withSensor.deviceB(),
                                                QStringLiteral("--rate"), QStringLiteral("20")});
    ASSERT_TRUE(sensor.waitForStarted(5000));
    auto dlg = makeDialog();
    dlg->show();
    ASSERT_EQ(dlg->cboPort().currentText(), "auto");
    QSignalSpy finished(dlg.get(), &QDialog::finished);
    QTest::mouseClick(&dlg->OKButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg->closePending());
    EXPECT_TRUE(link_->portTestRunning());

    ASSERT_TRUE(finished.wait(8000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
    EXPECT_EQ(state_.app.ComPort(), "4");
    EXPECT_EQ(stored("General", "SerialPort"), "4");
    EXPECT_EQ(stored("General", "PortComm4"), "1");
    EXPECT_EQ(stored("General", "Mode"), "0");
    EXPECT_EQ(link_->statusText(), "COM 4");
    sensor.terminate();
    sensor.waitForFinished(3000);
}

// OK and Cancel while a port search runs: nothing nests, and the dialog closes only once the
// search has ended (after the port it was listening to).
TEST_F(InterfaceDialogTest, OkAndCancelWhileASearchRuns) {
    SetUpSerialOnly();
    if (IsSkipped()) {
        return;
    }
    for (int n : {2, 3, 5}) {
        ptyPort(n); // silent ports: the search listens on each in turn
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
        resetSettings();
        state_.app.setComPort("0");
        msc1_.close();
        if (c.startupSearch) {
            link_->PortTest();
        }
        auto dlg = makeDialog();
        dlg->show();
        dlg->cboPort().setEditText(QString::fromLatin1(c.choice));
        QSignalSpy finished(dlg.get(), &QDialog::finished);
        for (const Action a : c.actions) {
            if (c.startupSearch || a == Cancel) {
                ASSERT_TRUE(waitFor([&] { return link_->statusText().startsWith("searching"); }))
                    << c.name;
            }
            QTest::mouseClick(a == Ok ? &dlg->OKButton() : &dlg->CancelButton(), Qt::LeftButton);
            EXPECT_TRUE(dlg->isVisible()) << c.name;
            EXPECT_TRUE(dlg->closePending()) << c.name;
        }
        EXPECT_TRUE(state_.app.PortCancel) << c.name;
        ASSERT_TRUE(finished.wait(5000)) << c.name;
        EXPECT_FALSE(link_->portTestRunning()) << c.name;
        EXPECT_EQ(finished.at(0).at(0).toInt(), c.result) << c.name;
        EXPECT_EQ(stored("General", "Mode"), c.mode) << c.name;
        EXPECT_EQ(stored("General", "PortComm3"), c.portComm) << c.name;
        EXPECT_EQ(msc1_.isOpen(), c.openPort != 0) << c.name;
        if (c.openPort != 0) {
            EXPECT_EQ(msc1_.commPort(), c.openPort) << c.name;
            EXPECT_EQ(link_->statusText(), "COM 3") << c.name;
        } else {
            EXPECT_EQ(link_->statusText(), "offline") << c.name;
        }
        EXPECT_FALSE(state_.app.PortCancel) << c.name;
        EXPECT_TRUE(prompts_.asked.empty()) << c.name;
    }
}

TEST_F(InterfaceDialogTest, CloseWaitsForTheScanTeardown) {
    auto dlg = makeDialog();
    dlg->show();
    QSignalSpy finished(dlg.get(), &QDialog::finished);
    state_.app.ScanIdle = false; // a scan window is closing its sockets
    QTest::mouseClick(&dlg->CancelButton(), Qt::LeftButton);
    QTest::qWait(30);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(finished.count(), 0);
    state_.app.ScanIdle = true;
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
}

TEST_F(InterfaceDialogTest, ScanFillsTheAddressField) {
    const quint16 port = test::freeLoopbackPort();
    test::SimSensor sensor;
    ASSERT_TRUE(sensor.start(QStringLiteral("127.0.0.5"), port, QStringLiteral("SCANDLG5")));
    state_.app.setLinkMode(1);
    auto dlg = makeDialog();
    dlg->show();

    dlg->txtPort().setText(QStringLiteral("99999"));
    QTest::mouseClick(&dlg->cmdScan(), Qt::LeftButton);
    EXPECT_EQ(dlg->scanWindow(), nullptr);
    ASSERT_EQ(prompts_.asked.size(), 1u);
    EXPECT_EQ(prompts_.asked[0].text, "IP-Adresse ist ungültig oder Port 31222 ist belegt.");

    dlg->txtPort().setText(QString::number(port));
    QTest::mouseClick(&dlg->cmdScan(), Qt::LeftButton);
    QPointer<frmAutoScan> scan = dlg->scanWindow();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->ScanPort(), port);
    QSignalSpy done(scan.data(), &frmAutoScan::scanFinished);
    ASSERT_TRUE(done.wait(10000));
    ASSERT_EQ(scan->Grid().rowCount(), 1);
    emit scan->Grid().cellDoubleClicked(0, 0);
    EXPECT_EQ(dlg->txtRemIP().text(), "127.0.0.5");

    QTest::mouseClick(&scan->Command2(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return scan.isNull(); }));
    EXPECT_TRUE(state_.app.ScanIdle);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(InterfaceDialogTest, TextsFollowTheLanguageAndFit) {
    struct Case {
        const char* language;
        const char* caption;
        const char* cancel;
    };
    const Case cases[] = {{"de", "Schnittstelle", "Abbrechen"}, {"eng", "Interface", "Cancel"}};
    if (test::socatAvailable()) {
        ptyPort(5); // a listed port with its device
    }
    for (const auto& c : cases) {
        state_.strings.selectLanguage(c.language);
        state_.app.Language = c.language;
        state_.app.RemoteIP = "192.168.100.200";
        state_.app.setLinkMode(1);
        auto dlg = makeDialog();
        dlg->show();
        EXPECT_EQ(dlg->windowTitle().toStdString(), c.caption);
        EXPECT_EQ(dlg->Frame1().title().toStdString(), c.caption);
        EXPECT_EQ(dlg->CancelButton().text().toStdString(), c.cancel);
        EXPECT_EQ(dlg->OKButton().text(), "OK");
        EXPECT_EQ(test::clippedTexts(*dlg), std::vector<std::string>{}) << c.language;
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
        test::saveScreenshot(*dlg, QStringLiteral("dlgPort-%1.png").arg(c.language));
    }
}

} // namespace
} // namespace orv
