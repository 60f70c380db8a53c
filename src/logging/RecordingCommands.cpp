#include "logging/RecordingCommands.h"

#include "logging/frmInterval.h"
#include "platform/Prompts.h"
#include "state/ModMain.h"

#include <QAction>
#include <QLabel>
#include <QWidget>

#include <filesystem>

namespace orv {

namespace {

enum TextId {
    kSaveTitleText = 235,
    kDatFilterText = 241,
    kFileText = 244,
    kExistsText = 245,
};

void enable(QAction* action, bool on) {
    if (action) {
        action->setEnabled(on);
    }
}

// A narrow window may clip a panel; its tip always shows the whole text.
void setPanel(QLabel* panel, const std::string& text) {
    if (panel) {
        panel->setText(QString::fromStdString(text));
        panel->setToolTip(panel->text().trimmed());
    }
}

} // namespace

RecordingCommands::RecordingCommands(ModMain& app, Prompts& prompts, RecordingControls controls,
                                     std::string messageTitle, QWidget* owner)
    : QObject(owner), app_(app), prompts_(prompts), controls_(controls),
      messageTitle_(std::move(messageTitle)), owner_(owner), logger_(app.clock, app.strings) {
    tmrLog_.setObjectName(QStringLiteral("tmrLog"));
    tmrLog_.setInterval(kTimerMs);
    connect(&tmrLog_, &QTimer::timeout, this, &RecordingCommands::tmrLog_Timer);
    const RecordingControls& c = controls_;
    if (c.mnuOpenLog) {
        connect(c.mnuOpenLog, &QAction::triggered, this, [this] { NewLogFile(false); });
    }
    if (c.newButton) {
        connect(c.newButton, &QAction::triggered, this, [this] { NewLogFile(true); });
    }
    for (QAction* start : {c.mnuStartLog, c.startButton}) {
        if (start) {
            connect(start, &QAction::triggered, this, &RecordingCommands::StartLogging);
        }
    }
    for (QAction* stop : {c.mnuCloseLog, c.stopButton}) {
        if (stop) {
            connect(stop, &QAction::triggered, this, &RecordingCommands::StopLogging);
        }
    }
    showState();
}

RecordingCommands::~RecordingCommands() {
    tmrLog_.stop();
    app_.LoggerActive = false;
}

frmInterval* RecordingCommands::intervalDialog() const {
    return interval_;
}

bool RecordingCommands::Destination(std::string& path) {
    Prompts::FileDialog dialog;
    dialog.title = app_.text(kSaveTitleText, "Logdatei speichern unter");
    dialog.filter = app_.text(kDatFilterText, "dat-Dateien (*.dat)|*.dat|alle Dateien (*.*)|*.*");
    dialog.folder = app_.LogFileDir;
    dialog.save = true;
    dialog.confirmOverwrite = true;
    path = prompts_.chooseFile(dialog);
    if (path.empty()) {
        return false;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    app_.LogFileDir = folder;
    return true;
}

void RecordingCommands::NewLogFile(bool fromToolbar) {
    if (fromToolbar) {
        newFileFromToolbar_ = true;
    }
    if (logger_.state() == LoggerState::Recording) {
        return;
    }
    std::string path;
    if (!Destination(path)) {
        return; // cancelled: nothing changes
    }
    const bool askInterval = logger_.chooseFile(path, newFileFromToolbar_);
    startOnOk_ = false;
    showState();
    if (askInterval) {
        showIntervalDialog(false);
    }
}

void RecordingCommands::showIntervalDialog(bool startOnOk) {
    startOnOk_ = startOnOk;
    if (!interval_) {
        interval_ = new frmInterval(owner_);
        connect(interval_, &frmInterval::intervalConfirmed, this, [this](int seconds) {
            logger_.setInterval(static_cast<float>(seconds));
            if (startOnOk_) {
                startOnOk_ = false;
                StartLogging();
            }
        });
    }
    interval_->showDialog();
}

void RecordingCommands::StartLogging() {
    startWith(false);
}

void RecordingCommands::startWith(bool replaceConfirmed) {
    const DataLogger::StartResult result =
        logger_.start(liveSampleOf(app_.measurement.onlineData()), replaceConfirmed);
    switch (result.outcome) {
    case StartOutcome::AlreadyRecording:
        return;
    case StartOutcome::NoFileChosen:
        prompts_.beep();
        return;
    case StartOutcome::IntervalTooShort:
        // Never a recording every 100 ms: the interval is asked first, and Ok starts.
        showIntervalDialog(true);
        return;
    case StartOutcome::ConfirmReplace: {
        const std::string question =
            app_.text(kFileText, "Die Datei ") + logger_.fileTitle() + app_.text(kExistsText);
        if (prompts_.message(messageTitle_, question, Prompts::Icon::Question,
                             Prompts::Buttons::YesNo) == Prompts::Answer::Yes) {
            startWith(true);
        }
        return;
    }
    case StartOutcome::NoSample:
    case StartOutcome::CreateFailed:
        showState();
        showMessage(DataLogger::kWriteFailedText);
        return;
    case StartOutcome::Started:
        break;
    }
    tmrLog_.start();
    showState();
    if (result.messageTextId) {
        showMessage(*result.messageTextId);
    }
}

void RecordingCommands::tmrLog_Timer() {
    const DataLogger::TickResult tick =
        logger_.onTimer(liveSampleOf(app_.measurement.onlineData()));
    if (tick.ended) {
        tmrLog_.stop();
        stoppedOnce_ = true;
    }
    if (tick.recordsTaken > 0 || tick.ended) {
        showState();
    }
    if (tick.messageTextId) {
        showMessage(*tick.messageTextId);
    }
}

void RecordingCommands::StopLogging() {
    tmrLog_.stop();
    const std::optional<int> message = logger_.stop();
    stoppedOnce_ = true;
    showState();
    if (message) {
        showMessage(*message);
    }
}

void RecordingCommands::showMessage(int textId) {
    // The timer goes on ticking under an open message; a second failure must not stack boxes.
    if (messageOpen_ && textId == DataLogger::kWriteFailedText) {
        return;
    }
    const bool outer = !messageOpen_;
    messageOpen_ = true;
    prompts_.message(messageTitle_, app_.text(textId), Prompts::Icon::Exclamation,
                     Prompts::Buttons::Ok);
    if (outer) {
        messageOpen_ = false;
    }
}

void RecordingCommands::showState() {
    const LoggerCommands c = logger_.commands();
    const RecordingControls& w = controls_;
    const bool noFile = logger_.state() == LoggerState::NoFile;
    enable(w.mnuOpenLog, c.newFile);
    enable(w.newButton, c.newFile);
    enable(w.mnuStartLog, c.start || (noFile && stoppedOnce_));
    enable(w.startButton, c.start);
    enable(w.mnuCloseLog, c.close);
    enable(w.stopButton, c.close);
    enable(w.mnuPort, c.port);
    enable(w.mnuMessw, c.displaySettings);
    setPanel(w.panel2, logger_.statusPanel2());
    setPanel(w.panel3, logger_.statusPanel3());
    app_.LoggerActive = logger_.state() == LoggerState::Recording;
    app_.measurement.settings().RecMark = logger_.recMark();
}

} // namespace orv
