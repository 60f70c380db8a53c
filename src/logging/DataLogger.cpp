#include "logging/DataLogger.h"

#include "core/Clock.h"
#include "core/DayNumber.h"
#include "core/OnlineData.h"
#include "core/Texts.h"
#include "logging/IntervalScale.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A slot whose time equals the clock to within this counts as due: day numbers carry rounding
// noise of far less than a millisecond.
constexpr double kSlotTolerance = 1e-6;

enum TextId {
    kNoFileText = 231,
    kInactiveText = 236,
    kActiveText = 237,
    kFinishedText = 239,
    kIntervalText = 249,
};

std::string titleOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

char unitCode(const std::string& unitText) {
    return unitText.empty() ? '\0' : unitText.back();
}

} // namespace

LiveSample liveSampleOf(const OnlineData& history) {
    const Sample& newest = history.newest();
    const SampleLabels& labels = history.labels();
    return {newest.temperature, newest.channel2, labels.serial, labels.tempUnit, labels.ch2Unit};
}

std::string intervalStatusText(const Texts& texts, float intervalSeconds) {
    const auto seconds = static_cast<long long>(std::nearbyint(intervalSeconds));
    return texts.textOr(kIntervalText, "") + intervalLabel(seconds) + " ";
}

DataLogger::DataLogger(const Clock& clock, const Texts& texts) : clock_(clock), texts_(texts) {}

bool DataLogger::chooseFile(const std::string& path, bool fromToolbar) {
    if (state_ == LoggerState::Recording || path.empty()) {
        return false;
    }
    path_ = path;
    title_ = titleOf(path);
    state_ = LoggerState::FileChosen;
    if (fromToolbar) {
        toolbarAsksInterval_ = true;
    }
    return !(interval_ >= kMinimumInterval) || toolbarAsksInterval_;
}

DataLogger::StartResult DataLogger::start(const LiveSample& sample, bool replaceConfirmed,
                                          std::optional<double> firstSlot) {
    switch (state_) {
    case LoggerState::Recording:
        return {StartOutcome::AlreadyRecording, std::nullopt};
    case LoggerState::NoFile:
        return {StartOutcome::NoFileChosen, std::nullopt};
    case LoggerState::Finished:
    case LoggerState::FileChosen:
        break;
    }
    // Also refuses NaN: an interval below 5 s gives no meaningful time axis.
    if (!(interval_ >= kMinimumInterval)) {
        return {StartOutcome::IntervalTooShort, std::nullopt};
    }
    if (state_ == LoggerState::Finished && !replaceConfirmed) {
        std::error_code ec;
        if (std::filesystem::exists(path_, ec)) {
            return {StartOutcome::ConfirmReplace, std::nullopt};
        }
    }
    if (sample.tempUnit.empty() || sample.ch2Unit.empty()) {
        state_ = LoggerState::FileChosen;
        return {StartOutcome::NoSample, kWriteFailedText};
    }

    LogHeader header;
    header.tempUnitCode = unitCode(sample.tempUnit);
    header.ch2UnitCode = unitCode(sample.ch2Unit);
    header.startTime = firstSlot.value_or(clock_.now());
    header.interval = interval_;
    header.text = sample.serialText;
    if (!writer_.create(path_, header)) {
        state_ = LoggerState::FileChosen;
        return {StartOutcome::CreateFailed, kWriteFailedText};
    }
    startTime_ = header.startTime;
    recordingInterval_ = interval_;
    taken_ = 1;
    failures_ = 0;
    failureReported_ = false;
    pending_.assign(1, {sample.temperature.value_or(kNaN), sample.channel2.value_or(kNaN)});
    state_ = LoggerState::Recording;
    return {StartOutcome::Started, noteWriteResult(flushPending())};
}

double DataLogger::slotTime(std::int64_t k) const {
    return startTime_ +
           static_cast<double>(recordingInterval_) * static_cast<double>(k) / kSecondsPerDay;
}

DataLogger::TickResult DataLogger::onTimer(const LiveSample& sample) {
    TickResult result;
    if (state_ != LoggerState::Recording) {
        return result;
    }
    const double now = clock_.now();
    if (now < lastRecordTime() - kMaxClockBackDays) {
        finish();
        result.messageTextId = kClockBackText;
        result.ended = true;
        return result;
    }
    if (slotTime(taken_) > now + kSlotTolerance) {
        return result;
    }
    if (now - lastRecordTime() > kMaxClockJumpDays) {
        finish();
        result.messageTextId = kClockJumpText;
        result.ended = true;
        return result;
    }
    // While writes fail the held records are not allowed to grow without end: the grid waits
    // (the slots are recorded as missed once the disk takes records again).
    if (static_cast<std::int64_t>(pending_.size()) >= kMaxHeldRecords && !flushPending()) {
        result.messageTextId = noteWriteResult(false);
        return result;
    }
    // The newest slot not later than now; the ones between it and the last record were missed.
    const double elapsedSlots =
        (now - startTime_) * kSecondsPerDay / static_cast<double>(recordingInterval_) +
        kSlotTolerance;
    const auto due = std::max(taken_, static_cast<std::int64_t>(std::floor(elapsedSlots)));
    const std::int64_t missed = due - taken_;
    if (missed >= kCatchUpRecords) {
        // A long gap: empty records only, one step per tick; the sample waits for the slot
        // that is due once the gap is closed.
        pending_.insert(pending_.end(), static_cast<std::size_t>(kCatchUpRecords),
                        LogRecord{kNaN, kNaN});
        result.recordsTaken = kCatchUpRecords;
        taken_ += kCatchUpRecords;
    } else {
        pending_.insert(pending_.end(), static_cast<std::size_t>(missed), LogRecord{kNaN, kNaN});
        pending_.push_back({sample.temperature.value_or(kNaN), sample.channel2.value_or(kNaN)});
        result.recordsTaken = missed + 1;
        taken_ = due + 1;
    }
    result.messageTextId = noteWriteResult(flushPending());
    return result;
}

bool DataLogger::flushPending() {
    if (pending_.empty()) {
        return true;
    }
    if (!writer_.append(pending_)) {
        return false;
    }
    pending_.clear();
    return true;
}

std::optional<int> DataLogger::noteWriteResult(bool ok) {
    if (ok) {
        failureReported_ = false;
        return std::nullopt;
    }
    ++failures_;
    if (failureReported_) {
        return std::nullopt;
    }
    failureReported_ = true;
    return kWriteFailedText;
}

std::optional<int> DataLogger::stop() {
    if (state_ != LoggerState::Recording) {
        state_ = LoggerState::NoFile;
        title_.clear();
        path_.clear();
        return std::nullopt;
    }
    return finish();
}

std::optional<int> DataLogger::stopBeforeSlot(std::int64_t slot) {
    if (state_ != LoggerState::Recording) {
        return stop();
    }
    if (slot > taken_) {
        pending_.insert(pending_.end(), static_cast<std::size_t>(slot - taken_),
                        LogRecord{kNaN, kNaN});
        taken_ = slot;
    }
    return finish();
}

std::optional<int> DataLogger::finish() {
    const std::optional<int> message = noteWriteResult(flushPending());
    writer_.close();
    state_ = LoggerState::Finished;
    return message;
}

std::string DataLogger::statusPanel2() const {
    switch (state_) {
    case LoggerState::NoFile:
        return texts_.textOr(kNoFileText, "");
    case LoggerState::FileChosen:
        return texts_.textOr(kInactiveText, "") + title_;
    case LoggerState::Recording:
        return texts_.textOr(kActiveText, "") + title_;
    case LoggerState::Finished:
        return texts_.textOr(kFinishedText, "") + title_ + " " + std::to_string(taken_) + " Frames";
    }
    return {};
}

std::string DataLogger::statusPanel3() const {
    if (state_ != LoggerState::Recording) {
        return {};
    }
    std::string text = intervalStatusText(texts_, recordingInterval_);
    if (taken_ > 1) {
        text += "Frame: " + std::to_string(taken_) + " ";
    }
    return text;
}

LoggerCommands DataLogger::commands() const {
    LoggerCommands c;
    switch (state_) {
    case LoggerState::NoFile:
        break;
    case LoggerState::FileChosen:
        c = {false, true, true, true, true};
        break;
    case LoggerState::Recording:
        c = {false, false, true, false, false};
        break;
    case LoggerState::Finished:
        c = {true, true, true, false, true};
        break;
    }
    return c;
}

} // namespace orv
