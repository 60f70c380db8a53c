// orv-tool record: a live sensor into a log file, on the command line or as a service.
#include "Commands.h"
#include "RecordMqtt.h"
#include "RecordOptions.h"

#include <cstdio>

namespace orv::tool {

int runRecord(const CommandArgs& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kRecordUsage, stdout);
            std::fputs(kRecordMqttUsage, stdout);
            return 0;
        }
    }
    return runRecording(parseRecordOptions(args));
}

} // namespace orv::tool
