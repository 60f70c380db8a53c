#include "shell/frmMain.h"

#include "alarms/AlarmColour.h"
#include "alarms/AlarmMonitor.h"
#include "core/Clock.h"
#include "link/dlgPort.h"
#include "link/LinkController.h"
#include "logging/RecordingCommands.h"
#include "mqtt/dlgMqtt.h"
#include "mqtt/LivePublisher.h"
#include "offline/DiagramWindows.h"
#include "platform/Prompts.h"
#include "platform/ScreenTwips.h"
#include "platform/SingleInstance.h"
#include "platform/TcpClient.h"
#include "shell/ApplyLanguage.h"
#include "shell/Dialog.h"
#include "shell/DialogWatch.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindowPlacement.h"
#include "shell/ShellIcons.h"
#include "shell/ShutdownSequence.h"
#include "shell/Splash.h"
#include "shell/StartupSequence.h"
#include "shell/Version.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "views/LiveWindows.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace orv {

namespace {

// The value boxes show text only: read-only and never focused, so no caret ever appears.
QLineEdit* valueBox(QWidget* parent, const char* name, int tag, const QString& initial) {
    auto* box = new QLineEdit(initial, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignCenter);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    setTag(box, tag);
    QFont font = box->font();
    font.setPointSizeF(font.pointSizeF() * 1.9);
    font.setBold(true);
    box->setFont(font);
    const QFontMetrics metrics(font);
    box->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("-888,8  °C")) + 24);
    return box;
}

QLabel* statusPanel(QStatusBar* bar, int number, int stretch) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("sbrLogPanel%1").arg(number));
    panel->setContentsMargins(4, 0, 4, 0);
    bar->addWidget(panel, stretch);
    return panel;
}

} // namespace

QString frmMain::productTitle() {
    return QStringLiteral("%1 V%2.%3")
        .arg(QString::fromLatin1(kProductName))
        .arg(kVersionMajor)
        .arg(kVersionMinor);
}

frmMain::frmMain(ModMain& app, LinkController& link, Prompts& prompts,
                 std::function<std::string()> localAddress, QWidget* parent)
    : QMainWindow(parent), app_(app), link_(link), prompts_(prompts),
      localAddress_(std::move(localAddress)),
      helpFolder_(findHelpFolder(QCoreApplication::applicationDirPath())) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(productTitle());
    setWindowIcon(productIcon());
    dialogWatch_ = new DialogWatch(this);
    buildWindow();
    applyMinimumMainWindowSize(*this);
    connectLink();
    app_.measurement.setObserver(this);
}

frmMain::~frmMain() {
    app_.measurement.setObserver(nullptr);
    setBusy(false);
}

void frmMain::buildWindow() {
    menus_ = buildMainMenus(*this);
    MainMenus& m = menus_;
    connect(m.mnuEnd, &QAction::triggered, this, &QWidget::close);
    connect(m.mnuPort, &QAction::triggered, this, &frmMain::mnuPort_Click);
    connect(m.mnuMessw, &QAction::triggered, this, &frmMain::mnuMessw_Click);
    connect(m.mnuReset, &QAction::triggered, this, &frmMain::mnuReset_Click);
    auto* mnuMqtt = new QAction(QStringLiteral("M&QTT..."), this);
    mnuMqtt->setObjectName(QStringLiteral("mnuMqtt"));
    m.mnu3->insertAction(m.mnuReset, mnuMqtt);
    connect(mnuMqtt, &QAction::triggered, this, &frmMain::mnuMqtt_Click);
    mqtt_ = new LivePublisher(this);
    // Queued: the refusal is noticed inside the client's socket handler, no place for a dialog.
    connect(
        mqtt_, &LivePublisher::refused, this,
        [this](const QString& reason) {
            prompts_.message(app_.text(225), app_.text(398) + "\n" + reason.toStdString(),
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        },
        Qt::QueuedConnection);
    connect(m.mnuWSet, &QAction::triggered, this, &frmMain::mnuWSet_Click);
    connect(m.mnuWMainSet, &QAction::triggered, this, &frmMain::mnuWMainSet_Click);
    connect(m.mnuHilfe, &QAction::triggered, this, &frmMain::mnuHilfe_Click);
    connect(m.mnuInfo, &QAction::triggered, this, &frmMain::mnuInfo_Click);
    connect(m.cmdGer, &QToolButton::clicked, this, &frmMain::cmdGer_Click);
    connect(m.cmdUk, &QToolButton::clicked, this, &frmMain::cmdUk_Click);

    auto* central = new QWidget(this);
    auto* values = new QWidget(central);
    values->setObjectName(QStringLiteral("valuePanel"));
    txtTemp_ = valueBox(values, "txtTemp", 45, QStringLiteral("--.- °C"));
    txtRH_ = valueBox(values, "txtRH", 46, QStringLiteral("--.- %"));
    txtTp_ = valueBox(values, "txtTp", 47, QStringLiteral("--.- °C"));
    txtWinsock_ = new QLineEdit(values);
    txtWinsock_->setObjectName(QStringLiteral("txtWinsock"));
    txtWinsock_->setReadOnly(true);
    txtWinsock_->setFocusPolicy(Qt::NoFocus);
    txtWinsock_->setFrame(false);
    txtWinsock_->setStyleSheet(QStringLiteral("background: transparent;"));
    txtWinsock_->setVisible(false);

    auto* grid = new QGridLayout(values);
    grid->setContentsMargins(8, 6, 8, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    grid->addWidget(txtTemp_, 0, 0);
    grid->addWidget(txtRH_, 0, 1);
    grid->addWidget(txtTp_, 0, 2);
    grid->addWidget(txtWinsock_, 1, 0, 1, 3);

    mdi_ = new QMdiArea(central);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    live_ = new LiveWindows(app_, *this, *mdi_, {m.mnuOnline, m.mnuMon, m.mnuOnlGraf, m.button[2]});
    connect(m.mnu4, &QMenu::aboutToShow, this, [this] { refreshWindowList(*menus_.mnu4, *mdi_); });
    diagrams_ = new DiagramWindows(app_, prompts_, *mdi_, this);
    for (QAction* view : {m.mnuLogView, m.button[3]}) {
        view->setEnabled(true);
        connect(view, &QAction::triggered, diagrams_, &DiagramWindows::mnuLogView_Click);
    }
    diagrams_->setReportItem(m.mnuReport);

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(values);
    layout->addWidget(mdi_, 1);
    setCentralWidget(central);

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbrLog"));
    bar->setSizeGripEnabled(true);
    panels_[1] = statusPanel(bar, 1, 0);
    panels_[2] = statusPanel(bar, 2, 0);
    panels_[3] = statusPanel(bar, 3, 1);
    panels_[4] = statusPanel(bar, 4, 0);
    panels_[5] = statusPanel(bar, 5, 0);
    panels_[5]->setMinimumWidth(
        panels_[5]->fontMetrics().horizontalAdvance(QStringLiteral("searching... (COM 16)")) + 12);
    panels_[5]->setAlignment(Qt::AlignCenter);

    recording_ =
        new RecordingCommands(app_, prompts_,
                              {m.mnuOpenLog, m.mnuStartLog, m.mnuCloseLog, m.button[5], m.button[6],
                               m.button[7], m.mnuPort, m.mnuMessw, panels_[2], panels_[3]},
                              kProductName, this);

    alarms_ = new AlarmMonitor(app_, prompts_, this);
    connect(m.mnuAlarms, &QAction::triggered, alarms_, &AlarmMonitor::mnuAlarms_Click);
    connect(alarms_, &AlarmMonitor::alarmsChanged, this, &frmMain::showAlarmColours);
    connect(alarms_, &AlarmMonitor::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text, 10000); });
    connect(alarms_, &AlarmMonitor::eventsTaken, this, [this](const std::vector<AlarmEvent>& es) {
        const std::string& serial = app_.measurement.onlineData().labels().serial;
        for (const AlarmEvent& e : es) {
            mqtt_->publishEvent(serial,
                                eventPayload({e.time, serial, e.ruleText, e.value, e.start}));
        }
    });
}

void frmMain::connectLink() {
    connect(&link_, &LinkController::statusChanged, this,
            [this](const QString& text) { panels_[5]->setText(text); });
    connect(&link_, &LinkController::winsockTextChanged, txtWinsock_, &QLineEdit::setText);
    connect(&link_, &LinkController::winsockVisibleChanged, txtWinsock_, &QWidget::setVisible);
    connect(&link_, &LinkController::busyChanged, this, &frmMain::setBusy);
    connect(&link_, &LinkController::portNotSupported, this, [this] {
        prompts_.message(app_.text(225), app_.text(306), Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
        showInterfaceDialog();
    });
    txtWinsock_->setText(link_.winsockText());
    txtWinsock_->setVisible(link_.winsockVisible());
}

QStatusBar* frmMain::sbrLog() const {
    return const_cast<frmMain*>(this)->statusBar();
}

QLabel* frmMain::sbrLogPanel(int panel) const {
    return panels_.at(static_cast<std::size_t>(panel));
}

void frmMain::setInstanceLock(std::unique_ptr<SingleInstance> lock) {
    instanceLock_ = std::move(lock);
}

void frmMain::Form_Load() {
    runStartSequence(*this);
    mqtt_->configure(readMqttPreferences(app_.ini));
    loaded_ = true;
    if (closeRequested_) {
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void frmMain::showFirstRunSplash() {
    if (closeRequested_) {
        return; // a termination signal came during the start: no more dialogs
    }
    auto* box = new Splash(app_.strings, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &Splash::helpWanted, this, &frmMain::mnuHilfe_Click);
    splash_ = box;
    box->Timer1().start();
    ApplyLanguage(app_, app_.Language);
    box->exec();
}

void frmMain::showInterfaceDialog() {
    if (closeRequested_) {
        app_.PortCancel = true;
        return;
    }
    dlgPort dialog(app_, link_, prompts_, localAddress_, this);
    // However it was cancelled (button, close box, Escape, a termination signal), a cancelled
    // dialog means Cancel: with no port known the start sequence then opens no link.
    if (dialog.exec() == QDialog::Rejected) {
        app_.PortCancel = true;
    }
}

void frmMain::loadDisplayDialog() {
    if (!dialog_) {
        dialog_ = new Dialog(app_, this);
    }
    dialog_->loadFromSettings();
}

void frmMain::mnuMessw_Click() {
    if (!dialog_) {
        loadDisplayDialog();
    }
    const bool chartShown = live_->closeChart();
    dialog_->exec();
    // Samples in the old unit or of the other channel must not meet new ones in a chart.
    app_.measurement.onlineData().clearSamples();
    if (chartShown) {
        live_->mnuOnlGraf_Click();
    }
}

void frmMain::mnuPort_Click() {
    // The dialog rests the no-data supervision while it is open and restarts it however it ends.
    showInterfaceDialog();
    if (app_.networkMode() && link_.Winsock1().state() == TcpClient::Error && !app_.PortCancel) {
        prompts_.message(app_.text(225), app_.text(304), Prompts::Icon::Information,
                         Prompts::Buttons::Ok);
    }
}

void frmMain::mnuReset_Click() {
    // What is in memory stays; the exit writes its keys again, the rest returns to defaults.
    std::error_code ignored;
    std::filesystem::remove(app_.ini.path(), ignored);
}

void frmMain::mnuMqtt_Click() {
    dlgMqtt dialog(app_, prompts_, this);
    if (dialog.exec() == QDialog::Accepted) {
        mqtt_->configure(dialog.preferences());
    }
}

void frmMain::mnuHilfe_Click() {
    const QString file = QDir(helpFolder_).filePath(helpFileName(app_.Language));
    if (!help_) {
        help_ = new HelpWindow(this);
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!help_->showFile(file)) {
        help_->close();
        prompts_.message("10", app_.text(303), Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
}

void frmMain::mnuInfo_Click() {
    if (!splash_) {
        auto* box = new Splash(app_.strings, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        connect(box, &Splash::helpWanted, this, &frmMain::mnuHilfe_Click);
        splash_ = box;
    }
    splash_->show();
    splash_->raise();
    splash_->activateWindow();
}

namespace {

// The fixed offsets (180 x 1550 twips) stand for the frame and bars of the classic layout; the
// child must also stay inside the real client area of this one, so the larger of the two is used.
QSize fitOffset(const QMainWindow& window, const QMdiArea& area) {
    const ScreenDpi dpi = screenDpi(&window);
    const QSize classic(twipsToPixels(180, dpi.x), twipsToPixels(1550, dpi.y));
    const QSize actual = window.size() - area.viewport()->size();
    return classic.expandedTo(actual);
}

} // namespace

void frmMain::mnuWSet_Click() {
    QMdiSubWindow* child = mdi_->activeSubWindow();
    if (!child) {
        return;
    }
    child->setGeometry(QRect(QPoint(0, 0), size() - fitOffset(*this, *mdi_)));
}

void frmMain::mnuWMainSet_Click() {
    QMdiSubWindow* child = mdi_->activeSubWindow();
    if (!child) {
        return;
    }
    child->move(0, 0);
    if (windowStateCode(*this) != 0) {
        showNormal();
    }
    resize(child->size() + fitOffset(*this, *mdi_));
}

void frmMain::cmdGer_Click() {
    app_.Language = "de";
    ApplyLanguage(app_, app_.Language);
    recording_->showState();
    diagrams_->applyLanguage();
}

void frmMain::cmdUk_Click() {
    app_.Language = "eng";
    ApplyLanguage(app_, app_.Language);
    recording_->showState();
    diagrams_->applyLanguage();
}

void frmMain::requestClose() {
    closeRequested_ = true;
    // Modal dialogs run their own loops; cancel them (and every message the shutdown shows)
    // so that the close is seen at once and never waits for a user.
    dialogWatch_->cancelModalDialogs();
    // A termination request (logout, shutdown, kill) is not the user's close command, which a
    // running recording refuses: ignoring it would only end in the forced kill that follows.
    // The recording is stopped cleanly instead, its file complete up to the last record.
    if (app_.LoggerActive) {
        recording_->StopLogging();
    }
    if (loaded_) {
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    if (QueryUnload(*this)) {
        event->ignore();
        // A refused close (a recording runs) ends the termination request too: the program
        // goes on, and its dialogs must stay open for the user again.
        closeRequested_ = false;
        dialogWatch_->stopCancelling();
        return;
    }
    mdi_->closeAllSubWindows();
    diagrams_->unload();
    Form_Unload(*this);
    mqtt_->finish();
    ended_ = true;
    event->accept();
    emit programEnded();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        app_.measurement.settings().minimized = isMinimized();
        Form_Resize();
    }
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize() {
    // Minimised, the next sample puts the values into the title.
    setWindowTitle(productTitle());
}

void frmMain::valueBoxChanged(ValueBox box, const std::string& text) {
    QLineEdit* target = box == ValueBox::txtTemp ? txtTemp_
                        : box == ValueBox::txtRH ? txtRH_
                                                 : txtTp_;
    target->setText(QString::fromStdString(text));
}

void frmMain::statusChanged(const std::string& text) {
    panels_[5]->setText(QString::fromStdString(text));
}

void frmMain::minimizedCaptionChanged(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void frmMain::onlineLabelChanged(int index, const std::string& text) {
    live_->onlineLabelChanged(index, text);
}

void frmMain::onlineCaptionChanged(const std::string& text) {
    live_->onlineCaptionChanged(text);
}

void frmMain::monitorTextChanged(const std::string& text) {
    live_->monitorTextChanged(text);
}

void frmMain::beep() {
    prompts_.beep();
}

void frmMain::sampleStored() {
    // The alarms first: their events go out before the sample that shows them.
    const DataLogger& logger = recording_->logger();
    alarms_->sampleStored(app_.LoggerActive ? logger.filePath() : std::string(),
                          logger.startTime());
    const AlarmWatch& watch = alarms_->watch();
    mqtt_->sampleStored(app_.measurement, app_.clock.now(),
                        watch.empty() ? std::nullopt
                                      : std::optional(watch.evaluator().activeRuleTexts()));
}

void frmMain::showAlarmColours() {
    const auto on = [this](AlarmQuantity q) {
        return alarms_->inAlarm(q);
    };
    const bool condensing = on(AlarmQuantity::Margin);
    showAlarmColour(txtTemp_, on(AlarmQuantity::Temperature));
    showAlarmColour(txtRH_, on(AlarmQuantity::Humidity));
    showAlarmColour(txtTp_, on(AlarmQuantity::DewPoint) || condensing);
    const bool ch2Humidity = app_.measurement.settings().channel2 == Channel2Mode::Humidity;
    live_->setAlarmColours(on(AlarmQuantity::Temperature),
                           on(ch2Humidity ? AlarmQuantity::Humidity : AlarmQuantity::DewPoint) ||
                               condensing);
}

void frmMain::setBusy(bool busy) {
    if (busy == busy_) {
        return;
    }
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace orv
