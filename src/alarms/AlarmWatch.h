#pragma once

#include "alarms/AlarmEvaluator.h"
#include "alarms/AlarmEventsFile.h"

#include <string>
#include <vector>

namespace orv {

class Measurement;

// The alarm sample behind the measurement's latest good frame: temperature from the frame in
// °C, the humidity as shown, and the dew point computed from both as the display does.
[[nodiscard]] AlarmSample alarmSampleOf(const Measurement& m, double now);

// Alarms on a live measurement, shared by the program and `orv-tool record`: evaluates every
// stored sample and, while a recording runs, appends each event to the recording's events file.
// Without rules it does nothing at all, and writes no file.
class AlarmWatch {
public:
    explicit AlarmWatch(std::vector<AlarmRule> rules = {},
                        AlarmEventsWriter::OffsetSource offset = systemUtcOffsetSeconds);

    // New rules start from rest. Alarms of the old rules that are on get an end event (without a
    // value) at `now`, so the events file holds no interval that never ends.
    std::vector<AlarmEvent> setRules(std::vector<AlarmRule> rules, double now);
    [[nodiscard]] const AlarmEvaluator& evaluator() const { return eval_; }
    [[nodiscard]] bool empty() const { return eval_.rules().empty(); }

    // Call when the measurement stored its newest sample: a good frame (the no-data counter is
    // 0 again) or a no-data tick that blanked the values.
    std::vector<AlarmEvent> sampleStored(const Measurement& m, double now);

    // Keeps the events file in step with the recording: `logPath` is the log being recorded,
    // empty when none; a different `recordingStart` on the same path is a new recording, which
    // replaces the file like its log. A new file begins with the alarms that are on.
    // false when the file cannot be created or written (lastError() says why).
    bool followRecording(const std::string& logPath, double recordingStart);
    [[nodiscard]] bool writing() const { return writer_.isOpen(); }
    [[nodiscard]] const std::string& lastError() const { return error_; }

private:
    void write(const std::vector<AlarmEvent>& events);

    AlarmEvaluator eval_;
    AlarmEventsWriter writer_;
    std::string logPath_;
    double recordingStart_ = 0.0;
    bool fileWritten_ = false; // the recording's events file exists: continue it
    std::string error_;
};

} // namespace orv
