// orv-tool dewpoint T RH: the dew point in °C exactly as the program computes it.
#include "CommandLine.h"
#include "Commands.h"
#include "core/Json.h"

#include "core/DewPoint.h"

#include <cstdio>

namespace orv::tool {
namespace {

constexpr const char* kDewpointUsage =
    "usage: orv-tool dewpoint T RH\n"
    "Prints the dew point in °C of air at T °C and RH % relative humidity, with full\n"
    "precision. Like the program, it takes both as Single values, reads a humidity of 0 as\n"
    "0.01 and gives 0 for a negative humidity.\n";

} // namespace

int runDewpoint(const CommandArgs& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kDewpointUsage, stdout);
        return 0;
    }
    if (args.size() != 2) {
        usageError("dewpoint wants two numbers: T (°C) and RH (%)");
    }
    const float t = parseDecimal<float>("dewpoint", "temperature", args[0]);
    float rh = parseDecimal<float>("dewpoint", "humidity", args[1]);
    const std::string line = jsonNumber(DewPoint(t, rh)) + "\n";
    std::fputs(line.c_str(), stdout);
    return 0;
}

} // namespace orv::tool
