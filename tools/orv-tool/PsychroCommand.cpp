// orv-tool psychro T RH [--pressure HPA]: every humidity quantity of one sample as JSON.
#include "CommandLine.h"
#include "Commands.h"
#include "PressureOption.h"

#include "core/Json.h"
#include "core/Psychrometrics.h"

#include <cstdio>

namespace orv::tool {
namespace {

constexpr const char* kPsychroUsage =
    "usage: orv-tool psychro T RH [--pressure HPA]\n"
    "Prints the humidity quantities of air at T °C and RH % relative humidity as one JSON\n"
    "object: saturation and actual vapour pressure (hPa), the program's dew point (°C),\n"
    "absolute humidity (g/m³), mixing ratio (g/kg), specific enthalpy (kJ/kg dry air),\n"
    "wet-bulb temperature (°C) and the condensation margin T minus dew point (K). The air\n"
    "pressure (default 1013.25 hPa) enters the mixing ratio, the enthalpy and the wet bulb.\n";

} // namespace

int runPsychro(const CommandArgs& args) {
    std::vector<std::string> numbers;
    double pressure = kStandardPressureHpa;
    ArgReader reader(args);
    while (!reader.done()) {
        const std::string arg = reader.take();
        if (arg == "--help" || arg == "-h") {
            std::fputs(kPsychroUsage, stdout);
            return 0;
        }
        if (arg == "--pressure") {
            pressure = parsePressure("psychro", reader.value(arg));
        } else if (arg.size() > 1 && arg[0] == '-' &&
                   !std::isdigit(static_cast<unsigned char>(arg[1])) && arg[1] != '.') {
            usageError("psychro: unknown option " + arg);
        } else {
            numbers.push_back(arg);
        }
    }
    if (numbers.size() != 2) {
        usageError("psychro wants two numbers: T (°C) and RH (%)");
    }
    const double t = parseDecimal<double>("psychro", "temperature", numbers[0]);
    const double rh = parseDecimal<double>("psychro", "humidity", numbers[1]);
    if (!(rh > 0.0)) {
        usageError("psychro: the humidity must be above 0 %, not '" + numbers[1] + "'");
    }
    const PsychroSample s = psychroSample(t, rh, pressure);
    JsonObject json;
    json.number("temperature", std::optional(s.temperature))
        .number("humidity", std::optional(s.humidity))
        .number("pressure", std::optional(s.pressure))
        .number("saturation_vapour_pressure", std::optional(s.saturationPressure))
        .number("vapour_pressure", std::optional(s.vapourPressure))
        .number("dew_point", std::optional(s.dewPoint));
    for (std::size_t q = 0; q < kDerivedCount; ++q) {
        json.number(derivedKey(static_cast<Derived>(q)), std::optional(s.derived[q]));
    }
    std::fputs((json.str() + "\n").c_str(), stdout);
    return 0;
}

} // namespace orv::tool
