#pragma once

#include "CommandLine.h"

#include "core/Psychrometrics.h"

#include <string>

namespace orv::tool {

// The air pressure of --pressure HPA, within the range the humidity quantities accept; anything
// else is a usage error of `command`.
[[nodiscard]] inline double parsePressure(const std::string& command, const std::string& text) {
    const auto p = parsePressureHpa(text);
    if (!p) {
        usageError(command + ": --pressure wants hPa from 100 to 1200, not '" + text + "'");
    }
    return *p;
}

} // namespace orv::tool
