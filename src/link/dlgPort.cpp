#include "link/dlgPort.h"

#include "link/LinkController.h"
#include "platform/Prompts.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTcpClient.h"
#include "platform/SerialPort.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace orv {
namespace {

constexpr int kWindowTag = 13;
constexpr int kCancelTag = 14;
constexpr int kTextAddressOrPort = 304;
constexpr int kTextTcpPortRange = 314;
// The chosen port is opened with these line settings, whatever General/Settings says.
constexpr char kDialogLineSettings[] = "9600,n,8,1";

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

dlgPort::dlgPort(ModMain& app, LinkController& link, Prompts& prompts,
                 std::function<std::string()> localAddress, QWidget* parent)
    : QDialog(parent), app_(app), link_(link), prompts_(prompts),
      localAddress_(std::move(localAddress)),
      probe_(std::make_unique<QtSerialPort>(
          [&link](int port) { return link.msc1().deviceOf(port); })) {
    buildWindow();
    connect(&link_, &LinkController::portTestFinished, this, &dlgPort::onPortTestFinished);
    Form_Load();
}

dlgPort::~dlgPort() {
    // Destroyed while still shown: the supervision must not stay off.
    if (supervisionPaused_) {
        link_.resumeSupervision();
    }
}

void dlgPort::buildWindow() {
    setObjectName(QStringLiteral("dlgPort"));
    setTag(this, kWindowTag);
    // Design texts; the string table replaces the tagged ones.
    setWindowTitle(QStringLiteral("Schnittstelle"));

    frame1_ = new QGroupBox(windowTitle(), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    option1_[0] = new QRadioButton(QStringLiteral("RS232"), frame1_);
    option1_[0]->setObjectName(QStringLiteral("Option1(0)"));
    option1_[1] = new QRadioButton(QStringLiteral("TCP/IP"), frame1_);
    option1_[1]->setObjectName(QStringLiteral("Option1(1)"));

    cboPort_ = new QComboBox(frame1_);
    cboPort_->setObjectName(QStringLiteral("cboPort"));
    cboPort_->setEditable(true);
    cboPort_->setInsertPolicy(QComboBox::NoInsert);
    cboPort_->setMinimumContentsLength(22);
    cboPort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    txtRemIP_ = new QLineEdit(frame1_);
    txtRemIP_->setObjectName(QStringLiteral("txtRemIP"));
    txtRemIP_->setMinimumWidth(
        txtRemIP_->fontMetrics().horizontalAdvance(QStringLiteral("sensor-name.example.com")) + 12);
    txtPort_ = new QLineEdit(frame1_);
    txtPort_->setObjectName(QStringLiteral("txtPort"));
    txtPort_->setMaxLength(10);
    txtPort_->setFixedWidth(txtPort_->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                            16);
    cmdScan_ = new QPushButton(QStringLiteral("Scan…"), frame1_);
    cmdScan_->setObjectName(QStringLiteral("cmdScan"));
    cmdScan_->setAutoDefault(false);

    const char* labelNames[] = {"Label1", "Label2", "Label3"};
    const QString labelTexts[] = {QStringLiteral("Port:"), QStringLiteral("IP / Host:"),
                                  QStringLiteral("TCP-Port:")};
    QWidget* buddies[] = {cboPort_, txtRemIP_, txtPort_};
    for (int i = 0; i < 3; ++i) {
        labels_[i] = new QLabel(labelTexts[i], frame1_);
        labels_[i]->setObjectName(QString::fromLatin1(labelNames[i]));
        labels_[i]->setBuddy(buddies[i]);
    }

    // Each link's fields sit indented below its option button.
    auto* grid = new QGridLayout(frame1_);
    grid->setColumnMinimumWidth(0, 18);
    grid->setColumnStretch(2, 1);
    grid->addWidget(option1_[0], 0, 0, 1, 4);
    grid->addWidget(labels_[0], 1, 1);
    grid->addWidget(cboPort_, 1, 2, 1, 2);
    grid->setRowMinimumHeight(2, 6);
    grid->addWidget(option1_[1], 3, 0, 1, 4);
    grid->addWidget(labels_[1], 4, 1);
    grid->addWidget(txtRemIP_, 4, 2);
    grid->addWidget(cmdScan_, 4, 3);
    grid->addWidget(labels_[2], 5, 1);
    grid->addWidget(txtPort_, 5, 2, Qt::AlignLeft);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancelButton_->setObjectName(QStringLiteral("CancelButton"));
    setTag(cancelButton_, kCancelTag);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(okButton_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelButton_, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame1_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(option1_[0], &QRadioButton::clicked, this, [this] { Option1_Click(0); });
    connect(option1_[1], &QRadioButton::clicked, this, [this] { Option1_Click(1); });
    connect(okButton_, &QPushButton::clicked, this, &dlgPort::OKButton_Click);
    connect(cancelButton_, &QPushButton::clicked, this, &dlgPort::CancelButton_Click);
    connect(cmdScan_, &QPushButton::clicked, this, &dlgPort::cmdScan_Click);
}

void dlgPort::Form_Load() {
    txtPort_->setText(QString::number(app_.RemotePort));
    txtRemIP_->setText(qs(app_.RemoteIP));
    const int chosen = app_.networkMode() ? 1 : 0;
    option1_[chosen]->setChecked(true);
    Option1_Click(chosen);
    cboPort_->setEditText(qs(std::string(kAutoPort)));
    applyTagTexts(this, app_.strings);
    frame1_->setTitle(windowTitle());
}

void dlgPort::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return; // shown again by the window system (restored after minimising): no new opening
    }
    if (!supervisionPaused_) {
        supervisionPaused_ = true;
        link_.pauseSupervision();
    }
    ownWindowOver_ = false;
    Form_Activate();
}

void dlgPort::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous()) {
        return; // minimised: still open
    }
    // OK, Cancel, the close box, Escape, a termination request: all of them end up here.
    if (supervisionPaused_) {
        supervisionPaused_ = false;
        link_.resumeSupervision();
    }
}

bool dlgPort::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowDeactivate: {
        // The window that took the activation is already the application's active one; none
        // means another application has it.
        const QWidget* now = QApplication::activeWindow();
        if (now != nullptr && now != this) {
            ownWindowOver_ = true;
        }
        break;
    }
    case QEvent::WindowActivate:
        if (ownWindowOver_) {
            ownWindowOver_ = false;
            Form_Activate();
        }
        break;
    default:
        break;
    }
    return QDialog::event(event);
}

void dlgPort::Form_Activate() {
    if (closePending() || finishing_) {
        return;
    }
    PortTest();
    applyTagTexts(this, app_.strings);
    frame1_->setTitle(windowTitle());
}

void dlgPort::PortTest() {
    const QString before = cboPort_->currentText();
    // Rebuilt, not appended to: every test would otherwise list the ports once more.
    cboPort_->clear();
    SerialPort& live = link_.msc1();
    int listed = 0;
    for (int n = keys::FirstSerialPort; n <= keys::LastSerialPort; ++n) {
        if (!portListTested(app_.ini, n)) {
            continue;
        }
        bool usable = false;
        if (live.isOpen() && live.commPort() == n) {
            usable = true; // the live link's port: listed, and its connection left alone
        } else {
            probe_->setCommPort(n);
            usable = probe_->open();
            probe_->close();
        }
        if (usable) {
            cboPort_->addItem(qs(portItemText(n, live.deviceOf(n))), qs(portItemData(n)));
            ++listed;
        }
    }
    if (listed == 0) {
        cboPort_->setEditText(qs(std::string(kNoPort)));
    } else {
        const QString autoText = qs(std::string(kAutoPort));
        cboPort_->insertItem(0, autoText, autoText);
        const bool keep = !before.isEmpty() && before != qs(std::string(kNoPort));
        cboPort_->setEditText(keep ? before : autoText);
    }
    app_.ScanIdle = true;
    app_.PortCancel = false;
}

void dlgPort::Option1_Click(int index) {
    const bool network = index == 1;
    option1_[network ? 0 : 1]->setChecked(false);
    option1_[network ? 1 : 0]->setChecked(true);
    cboPort_->setEnabled(!network);
    labels_[0]->setEnabled(!network);
    for (QWidget* w : {static_cast<QWidget*>(txtPort_), static_cast<QWidget*>(txtRemIP_),
                       static_cast<QWidget*>(cmdScan_), static_cast<QWidget*>(labels_[1]),
                       static_cast<QWidget*>(labels_[2])}) {
        w->setEnabled(network);
    }
}

std::string dlgPort::portBoxText() const {
    // A listed port shows its device too; the item's data is the plain "Com n".
    const QString text = cboPort_->currentText();
    const int index = cboPort_->findText(text);
    return (index >= 0 ? cboPort_->itemData(index).toString() : text).toStdString();
}

void dlgPort::showError(int germanId, Prompts::Icon icon) {
    prompts_.message(app_.text(225, "Fehler"), app_.text(germanId), icon, Prompts::Buttons::Ok);
}

std::optional<std::int32_t> dlgPort::tcpPortOrMessage() {
    const auto port = tcpPortFromText(txtPort_->text().toStdString());
    if (!port) {
        showError(kTextTcpPortRange, Prompts::Icon::Exclamation);
        txtPort_->setFocus();
        txtPort_->selectAll();
    }
    return port;
}

void dlgPort::OKButton_Click() {
    if (closePending() || finishing_) {
        return;
    }
    const bool serial = option1_[0]->isChecked();
    if (serial) {
        if (choosePort(portBoxText()).kind == PortChoice::Kind::None) {
            prompts_.beep();
            cboPort_->setFocus();
            return;
        }
    } else {
        // Bad input is refused before the live link is touched.
        if (!tcpPortOrMessage()) {
            return;
        }
        if (!QtTcpClient::isPlausibleHost(txtRemIP_->text().toStdString())) {
            showError(kTextAddressOrPort, Prompts::Icon::Exclamation);
            txtRemIP_->setFocus();
            return;
        }
    }
    if (link_.portTestRunning()) {
        // A search owns the serial port. "auto" takes it over as its own; any other choice
        // waits for it to stop after the port it is trying.
        if (serial && choosePort(portBoxText()).kind == PortChoice::Kind::Auto) {
            waitFor(Waiting::OwnSearch);
        } else {
            app_.PortCancel = true;
            waitFor(Waiting::SearchToStopThenApply);
        }
        return;
    }
    applyChoice();
}

void dlgPort::applyChoice() {
    if (option1_[0]->isChecked()) {
        applySerial(choosePort(portBoxText()));
    } else {
        applyNetwork();
    }
}

void dlgPort::applySerial(const PortChoice& choice) {
    // The network link goes first: frames still arriving over TCP would make a port search
    // take the first port it listens on for the sensor's.
    app_.setLinkMode(0);
    link_.stopNetworkLink();
    if (choice.kind == PortChoice::Kind::Port) {
        SerialPort& port = link_.msc1();
        port.close();
        app_.setComPort(std::to_string(choice.port));
        port.setCommPort(choice.port);
        port.setSettings(kDialogLineSettings);
        if (!port.open()) {
            showError(227, Prompts::Icon::Information);
        }
        finishSerial();
        return;
    }
    waitFor(Waiting::OwnSearch);
    link_.PortTest();
    // A search that ends at once may not report through the signal.
    if (waiting_ == Waiting::OwnSearch && !link_.portTestRunning()) {
        onPortTestFinished();
    }
}

void dlgPort::finishSerial() {
    SerialPort& port = link_.msc1();
    if (port.isOpen()) {
        const int n = port.commPort();
        app_.ini.WriteIniBool(keys::General, keys::portCommKey(n), true);
        link_.setStatus(QStringLiteral("COM %1").arg(n));
        app_.ini.WriteIniString(keys::General, keys::GeneralSerialPort.key, app_.ComPort());
    }
    storeModeAndClose();
}

void dlgPort::applyNetwork() {
    const std::string host = txtRemIP_->text().toStdString();
    const auto port = tcpPortOrMessage();
    if (!port) {
        return;
    }
    // The one connect of this choice. The socket layer has the last word on address and port;
    // what it refuses at once leaves the serial link as it was.
    if (link_.ConnectSensor(host, *port) > 10000) {
        showError(kTextAddressOrPort, Prompts::Icon::Exclamation);
        return;
    }
    link_.msc1().close();
    app_.RemoteIP = host;
    app_.RemotePort = *port;
    app_.setLinkMode(1);
    writeSetting(app_.ini, keys::WinsockPort, *port);
    writeSetting(app_.ini, keys::WinsockIP, host);
    // Status line with text 305 and the reconnect timer; the connection is under way already.
    link_.superviseNetworkLink();
    storeModeAndClose();
}

void dlgPort::storeModeAndClose() {
    app_.ini.WriteIniBool(keys::General, keys::GeneralMode.key, option1_[1]->isChecked());
    app_.PortCancel = false;
    finishClose(QDialog::Accepted);
}

void dlgPort::CancelButton_Click() {
    switch (waiting_) {
    case Waiting::OwnSearch:
        // The search was started by OK: it stops after its current port and OK completes.
        app_.PortCancel = true;
        return;
    case Waiting::SearchToStopThenApply:
        waiting_ = Waiting::SearchToStopThenClose; // the search is stopping already
        return;
    case Waiting::SearchToStopThenClose:
        return;
    case Waiting::Nothing:
        break;
    }
    if (finishing_) {
        return;
    }
    if (link_.portTestRunning()) {
        app_.PortCancel = true;
        waitFor(Waiting::SearchToStopThenClose);
        return;
    }
    finishClose(QDialog::Rejected);
}

void dlgPort::reject() {
    CancelButton_Click();
}

void dlgPort::waitFor(Waiting what) {
    waiting_ = what;
    setCursor(Qt::BusyCursor);
    frame1_->setEnabled(false);
    okButton_->setEnabled(false);
}

void dlgPort::onPortTestFinished() {
    const Waiting was = waiting_;
    if (was == Waiting::Nothing) {
        return;
    }
    waiting_ = Waiting::Nothing;
    frame1_->setEnabled(true);
    okButton_->setEnabled(true);
    unsetCursor();
    switch (was) {
    case Waiting::OwnSearch:
        finishSerial();
        break;
    case Waiting::SearchToStopThenApply:
        applyChoice();
        break;
    case Waiting::SearchToStopThenClose:
        finishClose(QDialog::Rejected);
        break;
    case Waiting::Nothing:
        break;
    }
}

void dlgPort::cmdScan_Click() {
    const auto port = tcpPortOrMessage();
    if (!port) {
        return;
    }
    auto* scan =
        new frmAutoScan(app_, prompts_, *txtRemIP_, *port, localAddress_, scanOptions_, this);
    scan->setAttribute(Qt::WA_DeleteOnClose);
    scan_ = scan;
    // The list is tested again once the dialog is active after the scan window. Losing the
    // activation to it marks that already; this also counts a scan window that never got the
    // activation from the window system.
    connect(scan, &QDialog::finished, this, [this] { ownWindowOver_ = true; });
    scan->open();
}

void dlgPort::finishClose(int result) {
    finishing_ = true;
    if (!app_.ScanIdle) {
        // The scan window is closing its sockets: look again shortly, without a nested loop.
        setCursor(Qt::BusyCursor);
        QTimer::singleShot(1, this, [this, result] { finishClose(result); });
        return;
    }
    unsetCursor();
    finishing_ = false;
    QDialog::done(result);
}

} // namespace orv
