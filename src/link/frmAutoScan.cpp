#include "link/frmAutoScan.h"

#include "platform/Prompts.h"
#include "platform/QtTcpClient.h"
#include "platform/ScreenTwips.h"
#include "state/ModMain.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace orv {
namespace {

enum Column { ColHost = 0, ColIp = 1, ColSerial = 2, ColPort = 3 };

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

HostLookup systemHostLookup() {
    return [](const QString& ip, QObject* context, std::function<void(const QString&)> done) {
        QHostInfo::lookupHost(ip, context, [done = std::move(done)](const QHostInfo& info) {
            done(info.error() == QHostInfo::NoError ? info.hostName() : QString());
        });
    };
}

std::string systemLocalAddress() {
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                return entry.ip().toString().toStdString();
            }
        }
    }
    return {};
}

frmAutoScan::frmAutoScan(ModMain& app, Prompts& prompts, QLineEdit& remoteAddressField,
                         int scanPort, std::function<std::string()> localAddress,
                         ScanOptions options, QWidget* parent)
    : QDialog(parent), app_(app), prompts_(prompts), remoteAddressField_(remoteAddressField),
      localAddress_(std::move(localAddress)), options_(std::move(options)), scanPort_(scanPort) {
    if (!options_.lookupHost) {
        options_.lookupHost = systemHostLookup();
    }
    buildWindow();
    Form_Load();
}

frmAutoScan::~frmAutoScan() {
    Form_Unload();
}

void frmAutoScan::buildWindow() {
    setWindowTitle(QStringLiteral("Network Scan"));
    setObjectName(QStringLiteral("frmAutoScan"));

    lblScanInfo_ = new QLabel(this);
    lblScanInfo_->setObjectName(QStringLiteral("lblScanInfo"));

    grid_ = new QTableWidget(0, 4, this);
    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("Hostname"), QStringLiteral("IP"),
                                      QStringLiteral("Ser-Nr"), QStringLiteral("Port")});
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
    grid_->setWordWrap(false);
    grid_->setTextElideMode(Qt::ElideRight);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Column widths are kept in twips; a column never gets narrower than what it must show.
    const QFontMetrics fm(grid_->font());
    const int pad =
        2 * grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 12;
    const int twips[4] = {2000, 1200, 1100, 800};
    const QString widest[4] = {QStringLiteral("sensor-name.lab.example"),
                               QStringLiteral("255.255.255.255"), QStringLiteral("WWWWWWWW"),
                               QStringLiteral("65535")};
    int total = 0;
    for (int c = 0; c < 4; ++c) {
        const int w =
            std::max(twipsToPixels(twips[c], logicalDpiX()), fm.horizontalAdvance(widest[c]) + pad);
        grid_->setColumnWidth(c, w);
        total += w;
    }
    grid_->setFixedWidth(total + 2 * grid_->frameWidth() +
                         grid_->verticalScrollBar()->sizeHint().width());
    grid_->setMinimumHeight(grid_->horizontalHeader()->sizeHint().height() +
                            8 * grid_->verticalHeader()->defaultSectionSize() +
                            2 * grid_->frameWidth());

    lblInfo_ = new QLabel(this);
    lblInfo_->setObjectName(QStringLiteral("lblInfo"));
    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    // The progress texts change every tick: reserve their room so the window stays still.
    const QFontMetrics lfm(lblInfo_->font());
    lblInfo_->setMinimumWidth(lfm.horizontalAdvance(QStringLiteral("Scanne Netzwerk .........")));
    label2_->setMinimumWidth(lfm.horizontalAdvance(QStringLiteral("255.255.255.255")));

    command2_ = new QPushButton(this);
    command2_->setObjectName(QStringLiteral("Command2"));
    command2_->setAutoDefault(false);

    auto* status = new QVBoxLayout;
    status->setSpacing(2);
    status->addWidget(lblInfo_);
    status->addWidget(label2_);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(status, 1);
    bottom->addWidget(command2_, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblScanInfo_);
    layout->addWidget(grid_);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);
    connect(grid_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { Grid_DblClick(row); });
    connect(&tmrCheck_, &QTimer::timeout, this, &frmAutoScan::tmrCheck_Timer);
    connect(&tmrTick_, &QTimer::timeout, this, &frmAutoScan::tmrTick_Timer);
}

void frmAutoScan::Form_Load() {
    lblScanInfo_->setText(qs(app_.text(218)));
    // The close button reads like the main window's exit command.
    command2_->setText(qs(app_.text(204, "&Beenden")));

    // Without a dotted IPv4 address of our own there is nothing to sweep: the scan ends at its
    // first progress tick with the nothing-found message.
    if (const auto prefix = orv::NetPrefix(localAddress_ ? localAddress_() : std::string())) {
        netPrefix_ = *prefix;
        nextHost_ = 1;
    } else {
        nextHost_ = kLastHost + 1;
    }
    foundCount_ = 0;
    tmrCheck_.setInterval(options_.checkMs);
    tmrTick_.setInterval(options_.tickMs);
}

void frmAutoScan::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !tornDown_) {
        loaded_ = true;
        tmrTick_.start();
        tmrCheck_.start();
    }
}

int frmAutoScan::socketCount() const {
    return static_cast<int>(std::count_if(probes_.begin(), probes_.end(),
                                          [](const Probe& p) { return p.socket != nullptr; }));
}

bool frmAutoScan::running() const {
    return tmrTick_.isActive();
}

void frmAutoScan::createProbe(int index) {
    auto* socket = new QtTcpClient(this);
    probes_[index].socket = socket;
    // A socket retired inside one of its own events is deleted later; until then it must not
    // reach the element that may already have a successor.
    socket->onDataArrival = [this, index, socket] {
        if (probes_[index].socket == socket) {
            wskTest_DataArrival(index);
        }
    };
    socket->onError = [this, index, socket](int, const std::string&) {
        if (probes_[index].socket == socket) {
            wskTest_Error(index);
        }
    };
}

void frmAutoScan::probeNextHost(int index) {
    Probe& p = probes_[index];
    const std::string address = netPrefix_ + std::to_string(nextHost_);
    ++nextHost_;
    p.socket->close();
    p.connectedSeen = false;
    answers_.clear(index);
    p.socket->setRemotePort(scanPort_);
    p.socket->setRemoteHost(address);
    label2_->setText(qs(address));
    // A refusal at once leaves the socket closed; the next tick moves it on to the next host.
    (void)p.socket->connect();
}

void frmAutoScan::tmrCheck_Timer() {
    for (int i = 1; i <= kProbes && !sweepDone(); ++i) {
        if (probes_[i].socket == nullptr) {
            createProbe(i);
            probeNextHost(i);
        }
    }
    for (int i = 1; i <= kProbes; ++i) {
        Probe& p = probes_[i];
        if (p.socket == nullptr) {
            continue;
        }
        int state = p.socket->state();
        if (state == TcpClient::Connected) {
            // A host that takes the connection but never answers like a sensor would hold its
            // socket for ever and the scan would never end.
            if (!p.connectedSeen) {
                p.connectedSeen = true;
                p.connectedFor.start();
            } else if (p.connectedFor.elapsed() >= options_.silentHostMs) {
                p.socket->close();
                state = TcpClient::Closed;
            }
        }
        if (state == TcpClient::Closed || state == TcpClient::Error) {
            if (sweepDone()) {
                destroyProbe(i);
            } else {
                probeNextHost(i);
            }
        } else if (state != TcpClient::Connected && sweepDone()) {
            // Still connecting after the sweep: a shared allowance, then the socket goes.
            if (++lateTicks_ >= options_.lateTickLimit) {
                destroyProbe(i);
            }
        }
    }
}

void frmAutoScan::wskTest_DataArrival(int index) {
    Probe& p = probes_[index];
    if (const auto answer = answers_.collect(index, p.socket->getData())) {
        enterAnswer(index, *answer);
    }
}

void frmAutoScan::enterAnswer(int index, const std::string& answer) {
    Probe& p = probes_[index];
    const QString ip = qs(p.socket->remoteHostIP());
    const int row = grid_->rowCount();
    ++foundCount_;
    grid_->insertRow(row);
    grid_->setItem(row, ColHost, new QTableWidgetItem);
    grid_->setItem(row, ColIp, new QTableWidgetItem(ip));
    grid_->setItem(row, ColSerial,
                   new QTableWidgetItem(QString::fromLatin1(serialNumberOf(answer).c_str())));
    grid_->setItem(row, ColPort, new QTableWidgetItem(QString::number(p.socket->remotePort())));
    closeProbe(index);

    // Every row gets its name, also a sensor found in the very last tick of the scan.
    options_.lookupHost(ip, this, [this, row, ip](const QString& name) {
        if (QTableWidgetItem* item = grid_->item(row, ColHost)) {
            item->setText(qs(hostNameColumn(name.toStdString(), ip.toStdString())));
            item->setToolTip(item->text()); // long names are cut off in the column
        }
    });
}

void frmAutoScan::wskTest_Error(int index) {
    closeProbe(index);
}

void frmAutoScan::closeProbe(int index) {
    probes_[index].socket->close();
    answers_.clear(index);
    if (sweepDone()) {
        destroyProbe(index);
    }
}

void frmAutoScan::destroyProbe(int index) {
    QtTcpClient* socket = probes_[index].socket;
    probes_[index] = Probe{};
    answers_.clear(index);
    socket->close();
    // This may run inside one of the socket's own events.
    socket->deleteLater();
}

void frmAutoScan::tmrTick_Timer() {
    lblInfo_->setText(qs(dots_.tick(app_.Language == "de")));
    if (socketCount() > 0 || !sweepDone()) {
        return;
    }
    tmrCheck_.stop();
    tmrTick_.stop();
    lblInfo_->clear();
    if (foundCount_ == 0) {
        prompts_.message("VisualORV", nothingFoundText(app_.strings, scanPort_),
                         Prompts::Icon::None, Prompts::Buttons::Ok);
    }
    emit scanFinished(foundCount_);
}

void frmAutoScan::Grid_DblClick(int row) {
    const QTableWidgetItem* host = grid_->item(row, ColHost);
    const QTableWidgetItem* ip = grid_->item(row, ColIp);
    if (host == nullptr || ip == nullptr) {
        return;
    }
    remoteAddressField_.setText(
        qs(adoptedAddress(host->text().toStdString(), ip->text().toStdString())));
}

void frmAutoScan::Form_Unload() {
    if (tornDown_) {
        return;
    }
    tornDown_ = true;
    // The interface dialog does not finish closing while this is false.
    app_.ScanIdle = false;
    tmrCheck_.stop();
    tmrTick_.stop();
    for (int i = 1; i <= kProbes; ++i) {
        if (QtTcpClient* socket = probes_[i].socket) {
            probes_[i] = Probe{};
            socket->close();
            delete socket;
        }
    }
    app_.ScanIdle = true;
}

void frmAutoScan::done(int result) {
    hide();
    Form_Unload();
    QDialog::done(result);
}

} // namespace orv
