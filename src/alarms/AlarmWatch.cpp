#include "alarms/AlarmWatch.h"

#include "core/DewPoint.h"
#include "core/Measurement.h"
#include "core/NumberReading.h"

namespace orv {

AlarmSample alarmSampleOf(const Measurement& m, double now) {
    AlarmSample s;
    s.time = now;
    const FrameFields& f = m.fields();
    // An error code ("A" and two characters) stands for a value the sensor could not take.
    const bool tempOk = f.temperature.find('A') == std::string::npos;
    if (tempOk) {
        s.temperature = ParseSingle(f.temperature);
    }
    if (const auto h = m.values().humidity) {
        s.humidity = *h;
        if (tempOk) {
            float rh = *h;
            s.dewPoint = DewPoint(static_cast<float>(s.temperature), rh);
        }
    }
    return s;
}

AlarmWatch::AlarmWatch(std::vector<AlarmRule> rules, AlarmEventsWriter::OffsetSource offset)
    : eval_(std::move(rules)), writer_(std::move(offset)) {}

std::vector<AlarmEvent> AlarmWatch::setRules(std::vector<AlarmRule> rules, double now) {
    std::vector<AlarmEvent> ends = eval_.activeStarts();
    for (AlarmEvent& e : ends) {
        e.time = now;
        e.value.reset();
        e.start = false;
    }
    write(ends);
    const TempUnit unit = eval_.displayUnit();
    eval_ = AlarmEvaluator(std::move(rules), unit);
    if (empty()) {
        writer_.close(); // rules that come back in this recording continue its file
    }
    return ends;
}

std::vector<AlarmEvent> AlarmWatch::sampleStored(const Measurement& m, double now) {
    if (empty()) {
        return {};
    }
    eval_.setDisplayUnit(m.settings().unit);
    std::vector<AlarmEvent> events =
        m.TimeoutTicks() == 0 ? eval_.sample(alarmSampleOf(m, now)) : eval_.silence(now, true);
    write(events);
    return events;
}

bool AlarmWatch::followRecording(const std::string& logPath, double recordingStart) {
    if (logPath.empty()) {
        writer_.close();
        logPath_.clear();
        return true;
    }
    if (logPath != logPath_ || recordingStart != recordingStart_) {
        writer_.close();
        logPath_ = logPath;
        recordingStart_ = recordingStart;
        fileWritten_ = false;
        error_.clear();
    }
    if (empty() || writer_.isOpen() || !error_.empty()) {
        return error_.empty();
    }
    // A new recording replaces an old events file as it replaces the log.
    if (!writer_.create(alarmEventsPathFor(logPath), fileWritten_)) {
        error_ = writer_.lastError();
        return false;
    }
    fileWritten_ = true;
    write(eval_.activeStarts());
    return error_.empty();
}

void AlarmWatch::write(const std::vector<AlarmEvent>& events) {
    if (!writer_.isOpen()) {
        return;
    }
    for (const AlarmEvent& e : events) {
        if (!writer_.append(e)) {
            error_ = writer_.lastError();
            return;
        }
    }
}

} // namespace orv
