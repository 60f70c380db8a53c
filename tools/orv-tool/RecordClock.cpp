#include "RecordClock.h"

#include "CommandLine.h"

#include "core/DayNumber.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace orv::tool {
namespace {

class ClockFile final : public Clock {
public:
    explicit ClockFile(std::string path) : path_(std::move(path)) {}

    [[nodiscard]] double now() const override {
        std::ifstream in(path_);
        std::string text;
        std::getline(in, text);
        CivilTime c;
        char tail = 0;
        if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%c", &c.year, &c.month, &c.day, &c.hour,
                        &c.minute, &c.second, &tail) != 6) {
            failure("ORV_CLOCK_FILE " + path_ + " holds no time like 2026-12-07T23:59:50: '" +
                    text + "'");
        }
        return fromCivil(c);
    }

private:
    std::string path_;
};

} // namespace

std::unique_ptr<Clock> recorderClock() {
    const char* path = std::getenv("ORV_CLOCK_FILE");
    if (path != nullptr && *path != '\0') {
        return std::make_unique<ClockFile>(path);
    }
    return std::make_unique<SystemClock>();
}

} // namespace orv::tool
