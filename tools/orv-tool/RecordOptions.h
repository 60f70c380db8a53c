#pragma once

#include "Commands.h"
#include "RecordMqtt.h"

#include "alarms/AlarmRule.h"
#include "core/Measurement.h"
#include "logging/LogSeries.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orv::tool {

// What goes to standard error: a line per record (on a terminal), or only events (start, link
// lost and back, file rotated, clock jump, end), which suits a journal.
enum class RecordLog { Automatic, Records, Events };

// Everything `orv-tool record` was asked to do, from its command line and its config file.
struct RecordOptions {
    bool tcp = false;
    std::string where;
    int interval = 0;
    std::string output;
    TempUnit unit = TempUnit::Celsius;
    Channel2Mode channel2 = Channel2Mode::Humidity;
    std::optional<std::uint64_t> duration;
    RotationPeriod rotate = RotationPeriod::None;
    RecordLog log = RecordLog::Automatic;
    RecordMqttOptions mqtt;
    std::vector<AlarmRule> alarms;
};

extern const char* const kRecordUsage;

// Takes one option (`value` gives its value, for options that have one) into `o`; false for a
// name that is no record option, a usage error (ToolError) for a bad value. A new option of the
// record command is a field above and a branch there.
bool applyRecordOption(RecordOptions& o, const std::string& option,
                       const std::function<std::string()>& value);
// A usage error when the sensor, the interval or the output is missing.
void checkComplete(const RecordOptions& o);

// The options of a record command line, with those of the file named by --config (one
// "name = value" per line, # starts a comment line) where the command line does not give them; a
// usage error (ToolError) for anything wrong or missing.
[[nodiscard]] RecordOptions parseRecordOptions(const CommandArgs& args);

// Records until the duration ends or SIGINT/SIGTERM arrives; the exit status.
int runRecording(const RecordOptions& o);

} // namespace orv::tool
