#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace orv {

// Humidity quantities derived from temperature and relative humidity with one formula set:
// the saturation vapour pressure over plane water of Sonntag (1990), as the WMO recommends it,
// used for every temperature (below 0 °C over supercooled water, as humidity sensors report),
// ideal-gas moist air, and the thermodynamic wet-bulb temperature from the enthalpy balance of
// adiabatic saturation. The dew point stays the program's own (DewPoint.h): the condensation
// margin is the temperature minus that dew point, the very difference of the two values shown.
// docs/humidity-quantities.md lists the formulas.

inline constexpr double kStandardPressureHpa = 1013.25;
// Pressures a mixing ratio or wet bulb can sensibly be asked for (hPa).
inline constexpr double kMinPressureHpa = 100.0;
inline constexpr double kMaxPressureHpa = 1200.0;

// A pressure in hPa written with a decimal point ("1013.25"), if it is one and lies within
// kMinPressureHpa..kMaxPressureHpa.
[[nodiscard]] std::optional<double> parsePressureHpa(std::string_view text);

// Saturation vapour pressure over water in hPa at `tCelsius` (NaN in, NaN out).
[[nodiscard]] double saturationVapourPressure(double tCelsius);

// Relative humidity in % of air at `tCelsius` whose dew point is `dewPointCelsius`: the exact
// inverse of the program's dew point, so DewPoint(T, humidityFromDewPoint(T, Td)) == Td.
[[nodiscard]] double humidityFromDewPoint(double tCelsius, double dewPointCelsius);

// Thermodynamic wet-bulb temperature in °C, solved iteratively (safeguarded Newton steps) to
// 1e-6 K. A humidity over 100 % counts as 100 %. NaN when the inputs are not finite, the
// humidity is not above 0 % or the vapour pressure reaches the air pressure.
[[nodiscard]] double wetBulbTemperature(double tCelsius, double humidity, double pressureHpa);

// The derived quantities, in the order of their columns and table rows.
enum class Derived : std::size_t {
    AbsoluteHumidity, // g/m³ (water vapour per volume of moist air)
    MixingRatio,      // g/kg (water vapour per dry air, at the pressure)
    Enthalpy,         // kJ/kg dry air, 0 at 0 °C dry air
    WetBulb,          // °C
    Margin,           // K, temperature minus dew point
};
inline constexpr std::size_t kDerivedCount = 5;
using DerivedValues = std::array<double, kDerivedCount>;

// English name ("absolute humidity") and unit ("g/m³") of a quantity, for the command-line
// companion and as the fallback of the string table texts.
[[nodiscard]] std::string_view derivedName(Derived q);
[[nodiscard]] std::string_view derivedUnit(Derived q);
// The key of a quantity in JSON output ("absolute_humidity").
[[nodiscard]] std::string_view derivedKey(Derived q);

// All quantities at once. A humidity above 100 % (a sensor reading slightly over saturation)
// is taken as it is; a humidity <= 0 or non-finite input gives NaN for every quantity.
[[nodiscard]] DerivedValues deriveQuantities(double tCelsius, double humidity,
                                             double pressureHpa = kStandardPressureHpa);

// The same, plus the vapour pressures and the dew point, for a full read-out of one sample.
struct PsychroSample {
    double temperature = 0.0;        // °C
    double humidity = 0.0;           // %
    double pressure = 0.0;           // hPa
    double saturationPressure = 0.0; // hPa
    double vapourPressure = 0.0;     // hPa
    double dewPoint = 0.0;           // °C, the program's
    DerivedValues derived{};
};
[[nodiscard]] PsychroSample psychroSample(double tCelsius, double humidity,
                                          double pressureHpa = kStandardPressureHpa);

} // namespace orv
