#include "views/DerivedLine.h"

#include <cmath>

namespace orv {
namespace {

// Display unit -> °C and back, as the measurement converts.
double toCelsius(double v, TempUnit unit) {
    switch (unit) {
    case TempUnit::Fahrenheit:
        return (v - 32.0) / 1.8;
    case TempUnit::Kelvin:
        return v - 273.15;
    case TempUnit::Celsius:
        return v;
    case TempUnit::None:
        break;
    }
    return std::nan("");
}

double fromCelsius(double c, TempUnit unit) {
    return unit == TempUnit::Fahrenheit ? c * 1.8 + 32.0
           : unit == TempUnit::Kelvin   ? c + 273.15
                                        : c;
}

const char* unitText(TempUnit unit) {
    return unit == TempUnit::Fahrenheit ? " °F" : unit == TempUnit::Kelvin ? " K" : " °C";
}

} // namespace

std::string derivedLineText(const SampleValues& sample, TempUnit unit, double pressureHpa,
                            const LocaleFormat& locale) {
    if (!sample.temperature || !sample.humidity) {
        return "--.-";
    }
    const double t = toCelsius(*sample.temperature, unit);
    const DerivedValues v = deriveQuantities(t, *sample.humidity, pressureHpa);
    if (std::isnan(t) || std::isnan(v[0])) {
        return "--.-";
    }
    auto value = [&](Derived q) {
        return Format1(locale, v[static_cast<std::size_t>(q)]);
    };
    return value(Derived::AbsoluteHumidity) + " g/m³  " + value(Derived::MixingRatio) + " g/kg  " +
           value(Derived::Enthalpy) + " kJ/kg  Tf " +
           Format1(locale, fromCelsius(v[static_cast<std::size_t>(Derived::WetBulb)], unit)) +
           unitText(unit) + "  ΔT " + value(Derived::Margin) + " K";
}

} // namespace orv
