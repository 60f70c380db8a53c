#pragma once

#include "logging/LogFileWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv {

class Clock;
class OnlineData;
class Texts;

// What the logger reads of the live sample history when a record falls due: the newest row's
// values (an empty cell is std::nullopt and is recorded as NaN), the sensor text of row 0 and the
// live unit texts (" °C", " °F", " K"; " %" for humidity), which are empty before the first frame.
struct LiveSample {
    std::optional<float> temperature;
    std::optional<float> channel2;
    std::string serialText;
    std::string tempUnit;
    std::string ch2Unit;
};

// The newest row and the labels of the live sample history.
[[nodiscard]] LiveSample liveSampleOf(const OnlineData& history);

enum class LoggerState {
    NoFile,     // nothing chosen
    FileChosen, // a file is chosen, not recording
    Recording,
    Finished, // a recording into the chosen file has ended
};

enum class StartOutcome {
    Started,
    AlreadyRecording,
    NoFileChosen,     // beep
    IntervalTooShort, // below kMinimumInterval: show the interval dialog, then start again
    ConfirmReplace,   // a finished recording would be replaced: ask, then start(..., true)
    NoSample,         // no frame received yet, the units are unknown; message 253
    CreateFailed,     // the file cannot be created; message 253
};

// Which commands the main window offers (menu items and toolbar buttons of the logger, the
// interface dialog and the display settings).
struct LoggerCommands {
    bool newFile = true;
    bool start = false;
    bool close = false;
    bool port = true;
    bool displaySettings = true;
};

// The data logger of the main window: chosen file, interval, recording state and the time grid
// of `tmrLog_Timer`, without any widget. Record k of a recording belongs to the slot
// start + k * interval; the logger writes slots, not ticks, so the grid never drifts.
//
// Messages the window must show come back as string-table ids (253 "Datei konnte nicht angelegt
// werden." / "Unable to write file.").
class DataLogger {
public:
    static constexpr float kMinimumInterval = 5.0f;
    static constexpr int kWriteFailedText = 253;
    static constexpr int kClockJumpText = 350;
    static constexpr std::int64_t kCatchUpRecords = 4096;
    static constexpr std::int64_t kMaxHeldRecords = 65536;
    static constexpr double kMaxClockJumpDays = 7.0;
    // A clock set back further than this (more than a change of summer time) ends the recording
    // too: the grid cannot go back, and the recording would otherwise stand still unnoticed.
    static constexpr int kClockBackText = 351;
    static constexpr double kMaxClockBackDays = 2.0 / 24.0;

    DataLogger(const Clock& clock, const Texts& texts);

    // `NewLogFile` after the save dialog returned `path`. Returns true when the interval dialog
    // must be shown (no usable interval yet, or the command came from the toolbar, which from
    // then on always asks). Ignored while recording.
    bool chooseFile(const std::string& path, bool fromToolbar);
    // Interval confirmed in the interval dialog, in seconds. A running recording keeps the
    // interval written in its header (its grid must match it); the new one applies from the next
    // start.
    void setInterval(float seconds) { interval_ = seconds; }

    struct StartResult {
        StartOutcome outcome;
        std::optional<int> messageTextId;
    };
    // `StartLogging`: creates the file with the sample as its first record. With `firstSlot` the
    // file starts on that time instead of now: a recorder that goes on in a new file puts it on
    // the grid of the file before, so a series of files keeps one grid.
    StartResult start(const LiveSample& sample, bool replaceConfirmed = false,
                      std::optional<double> firstSlot = std::nullopt);

    struct TickResult {
        std::int64_t recordsTaken = 0; // slots recorded by this tick (missed ones included)
        std::optional<int> messageTextId;
        // The recording ended in this tick (the clock jumped too far ahead or back); the logger
        // is now Finished and the window must show the message.
        bool ended = false;
    };
    // `tmrLog_Timer`, every 100 ms while recording. When slots were missed (the computer slept),
    // they are recorded as NaN and only the slot due now gets the sample's values. A long gap is
    // caught up in steps of at most kCatchUpRecords per tick, so no tick blocks the window and
    // memory stays small; a gap of more than kMaxClockJumpDays ends the recording instead
    // (text kClockJumpText) rather than writing gigabytes of empty records. A failed write is
    // kept in memory (at most kMaxHeldRecords) and retried with the next due record; it is
    // reported once per run of failures.
    TickResult onTimer(const LiveSample& sample);

    // `StopLogging`: ends a recording (Finished), or forgets the chosen file (NoFile). A final
    // write of records still held after failures may report 253.
    std::optional<int> stop();
    // Ends a recording just before slot `slot`, which the next file takes: slots before it that
    // were not recorded yet (the computer slept) are recorded empty, so none is lost between the
    // two files.
    std::optional<int> stopBeforeSlot(std::int64_t slot);

    [[nodiscard]] LoggerState state() const { return state_; }
    [[nodiscard]] float interval() const { return interval_; }
    [[nodiscard]] const std::string& filePath() const { return path_; }
    [[nodiscard]] const std::string& fileTitle() const { return title_; }
    // Slots recorded in this recording (`LogRecordCount`), written or still held after a failure.
    [[nodiscard]] std::int64_t recordCount() const { return taken_; }
    [[nodiscard]] std::int64_t recordsOnDisk() const { return writer_.recordCount(); }
    [[nodiscard]] std::int64_t pendingRecords() const {
        return static_cast<std::int64_t>(pending_.size());
    }
    // Failed write attempts during this recording.
    [[nodiscard]] std::int64_t writeFailures() const { return failures_; }
    [[nodiscard]] const std::string& lastWriteError() const { return writer_.lastError(); }
    // Start time of the recording and time slot of the newest record (`LastRecordTime`).
    [[nodiscard]] double startTime() const { return startTime_; }
    [[nodiscard]] double lastRecordTime() const { return slotTime(taken_ - 1); }
    // Time of slot k of the running or last recording.
    [[nodiscard]] double slotTime(std::int64_t k) const;

    // Status bar panel 2 (file and state) and panel 3 (interval and record count).
    [[nodiscard]] std::string statusPanel2() const;
    [[nodiscard]] std::string statusPanel3() const;
    // "  (Rec)" while recording, appended to the minimised main window's title.
    [[nodiscard]] std::string recMark() const {
        return state_ == LoggerState::Recording ? "  (Rec)" : "";
    }
    [[nodiscard]] LoggerCommands commands() const;

private:
    // Writes everything held; false when the write failed (records stay held).
    bool flushPending();
    std::optional<int> noteWriteResult(bool ok);
    // Ends the recording (flush, close, Finished); the message of a failed final write.
    std::optional<int> finish();

    const Clock& clock_;
    const Texts& texts_;
    LoggerState state_ = LoggerState::NoFile;
    std::string path_;
    std::string title_;
    float interval_ = 0.0f;
    float recordingInterval_ = 0.0f; // of the running or last recording
    bool toolbarAsksInterval_ = false;
    LogFileWriter writer_;
    double startTime_ = 0.0;
    std::int64_t taken_ = 0;
    std::vector<LogRecord> pending_;
    std::int64_t failures_ = 0;
    bool failureReported_ = false;
};

// "Intervall(s): 1 Min 30s " from text 249 and the interval rounded to whole seconds (halves to
// even).
[[nodiscard]] std::string intervalStatusText(const Texts& texts, float intervalSeconds);

} // namespace orv
