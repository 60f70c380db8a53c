#pragma once

#include "logging/DataLogger.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <string>

class QAction;
class QLabel;
class QWidget;

namespace orv {

class ModMain;
class Prompts;
class frmInterval;

// The controls of the main window that show the recording state: the File menu's logger items,
// toolbar buttons 5 to 7, the interface and display settings items, and status panels 2 and 3.
struct RecordingControls {
    QAction* mnuOpenLog = nullptr;
    QAction* mnuStartLog = nullptr;
    QAction* mnuCloseLog = nullptr;
    QAction* newButton = nullptr;   // toolbar button 5
    QAction* startButton = nullptr; // toolbar button 6
    QAction* stopButton = nullptr;  // toolbar button 7
    QAction* mnuPort = nullptr;
    QAction* mnuMessw = nullptr;
    QLabel* panel2 = nullptr;
    QLabel* panel3 = nullptr;
};

// The recording commands of the main window (`NewLogFile`, `StartLogging`, `StopLogging`,
// `Destination`, `tmrLog_Timer`) around the data logger, with the interval dialog. It keeps the
// shared `LoggerActive` and the title mark "  (Rec)" current and shows the logger's messages
// through the prompts.
class RecordingCommands final : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 100;

    RecordingCommands(ModMain& app, Prompts& prompts, RecordingControls controls,
                      std::string messageTitle, QWidget* owner);
    ~RecordingCommands() override;

    // Menu `mnuOpenLog`, or toolbar button 5 with `fromToolbar` (`NewFileFromToolbar`).
    void NewLogFile(bool fromToolbar);
    void StartLogging();
    void StopLogging();
    // The save dialog; sets the chosen file and `LogFileDir`. False when cancelled.
    bool Destination(std::string& path);
    void tmrLog_Timer();

    // Rewrites the panels and command states, e.g. after a language switch.
    void showState();

    [[nodiscard]] DataLogger& logger() { return logger_; }
    [[nodiscard]] QTimer& tmrLog() { return tmrLog_; }
    // The interval dialog once it was shown; null before.
    [[nodiscard]] frmInterval* intervalDialog() const;
    [[nodiscard]] bool NewFileFromToolbar() const { return newFileFromToolbar_; }

private:
    void showIntervalDialog(bool startOnOk);
    void startWith(bool replaceConfirmed);
    void showMessage(int textId);

    ModMain& app_;
    Prompts& prompts_;
    RecordingControls controls_;
    std::string messageTitle_;
    QWidget* owner_;
    DataLogger logger_;
    QTimer tmrLog_;
    QPointer<frmInterval> interval_;
    bool newFileFromToolbar_ = false;
    // Start was refused for want of an interval: Ok in the interval dialog starts.
    bool startOnOk_ = false;
    // After a stop the menu's start stays enabled (it only beeps without a file).
    bool stoppedOnce_ = false;
    bool messageOpen_ = false;
};

} // namespace orv
