#include "core/Psychrometrics.h"

#include "core/DewPoint.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace orv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kKelvin = 273.15;
// Molar mass ratio of water vapour to dry air.
constexpr double kEpsilon = 0.621981;
// Specific gas constant of water vapour, J/(kg K).
constexpr double kRv = 461.5;
// Specific heats (kJ/(kg K)) and latent heat at 0 °C (kJ/kg) of the enthalpy balance.
constexpr double kCpAir = 1.006;
constexpr double kCpVapour = 1.86;
constexpr double kCpWater = 4.186;
constexpr double kLatent = 2501.0;
// The program's dew point constants (DewPoint.cpp).
constexpr double kMagnusB = 17.2;
constexpr double kMagnusC = 237.2;

// kg water vapour per kg dry air at vapour pressure e (hPa) and total pressure p (hPa).
double mixingRatioOf(double e, double p) {
    return e < p ? kEpsilon * e / (p - e) : kNaN;
}

// Mixing ratio (kg/kg) of air at t whose adiabatic saturation ends at tw.
double mixingRatioAfterSaturation(double t, double tw, double p) {
    const double ws = mixingRatioOf(saturationVapourPressure(tw), p);
    return ((kLatent - (kCpWater - kCpVapour) * tw) * ws - kCpAir * (t - tw)) /
           (kLatent + kCpVapour * t - kCpWater * tw);
}

} // namespace

std::optional<double> parsePressureHpa(std::string_view text) {
    double p = 0.0;
    const auto [ptr, ec] =
        std::from_chars(text.data(), text.data() + text.size(), p, std::chars_format::fixed);
    if (text.empty() || ec != std::errc{} || ptr != text.data() + text.size() ||
        !(p >= kMinPressureHpa && p <= kMaxPressureHpa)) {
        return std::nullopt;
    }
    return p;
}

double saturationVapourPressure(double tCelsius) {
    const double T = tCelsius + kKelvin;
    return std::exp(-6096.9385 / T + 16.635794 - 2.711193e-2 * T + 1.673952e-5 * T * T +
                    2.433502 * std::log(T));
}

double humidityFromDewPoint(double tCelsius, double dewPointCelsius) {
    // DewPoint: a = ln(RH/100)/b + T/(T+c) and Td = c a/(1-a), so a = Td/(Td+c).
    const double a = dewPointCelsius / (dewPointCelsius + kMagnusC);
    return 100.0 * std::exp(kMagnusB * (a - tCelsius / (tCelsius + kMagnusC)));
}

double wetBulbTemperature(double t, double humidity, double p) {
    if (!std::isfinite(t) || !std::isfinite(humidity) || !std::isfinite(p) || !(humidity > 0.0)) {
        return kNaN;
    }
    // A reading a little over saturation has its wet bulb at the temperature itself.
    humidity = std::min(humidity, 100.0);
    const double w = mixingRatioOf(humidity / 100.0 * saturationVapourPressure(t), p);
    if (!std::isfinite(w)) {
        return kNaN;
    }
    // g(tw) rises with tw; g(t) >= 0 at or below saturation. The root lies below t and above
    // the dew point, which is well above t - 150 K for any humidity a sensor reports.
    auto g = [&](double tw) {
        return mixingRatioAfterSaturation(t, tw, p) - w;
    };
    double lo = t - 150.0;
    double hi = t;
    if (!(g(hi) >= 0.0)) {
        return kNaN;
    }
    // A rough first guess; the steps below converge from anywhere inside the bracket.
    double tw = t - 0.12 * (100.0 - humidity);
    for (int i = 0; i < 60; ++i) {
        const double gv = g(tw);
        if (gv == 0.0) {
            return tw;
        }
        (gv > 0.0 ? hi : lo) = tw;
        constexpr double kStep = 1e-4;
        const double slope = (g(tw + kStep) - gv) / kStep;
        double next = tw - gv / slope;
        if (!(next > lo && next < hi)) {
            next = 0.5 * (lo + hi);
        }
        if (std::abs(next - tw) < 1e-7 || hi - lo < 1e-7) {
            return next;
        }
        tw = next;
    }
    return tw;
}

std::string_view derivedName(Derived q) {
    switch (q) {
    case Derived::AbsoluteHumidity:
        return "absolute humidity";
    case Derived::MixingRatio:
        return "mixing ratio";
    case Derived::Enthalpy:
        return "enthalpy";
    case Derived::WetBulb:
        return "wet-bulb temperature";
    case Derived::Margin:
        return "condensation margin";
    }
    return {};
}

std::string_view derivedUnit(Derived q) {
    switch (q) {
    case Derived::AbsoluteHumidity:
        return "g/m³";
    case Derived::MixingRatio:
        return "g/kg";
    case Derived::Enthalpy:
        return "kJ/kg";
    case Derived::WetBulb:
        return "°C";
    case Derived::Margin:
        return "K";
    }
    return {};
}

std::string_view derivedKey(Derived q) {
    switch (q) {
    case Derived::AbsoluteHumidity:
        return "absolute_humidity";
    case Derived::MixingRatio:
        return "mixing_ratio";
    case Derived::Enthalpy:
        return "enthalpy";
    case Derived::WetBulb:
        return "wet_bulb";
    case Derived::Margin:
        return "margin";
    }
    return {};
}

PsychroSample psychroSample(double t, double humidity, double p) {
    PsychroSample s;
    s.temperature = t;
    s.humidity = humidity;
    s.pressure = p;
    s.saturationPressure = saturationVapourPressure(t);
    const bool valid = std::isfinite(t) && std::isfinite(humidity) && humidity > 0.0 &&
                       std::isfinite(p) && p > 0.0;
    if (!valid) {
        s.vapourPressure = s.dewPoint = kNaN;
        s.derived.fill(kNaN);
        return s;
    }
    s.vapourPressure = humidity / 100.0 * s.saturationPressure;
    float rh = static_cast<float>(humidity);
    s.dewPoint = DewPoint(static_cast<float>(t), rh);
    const double T = t + kKelvin;
    const double w = mixingRatioOf(s.vapourPressure, p);
    auto at = [&s](Derived q) -> double& {
        return s.derived[static_cast<std::size_t>(q)];
    };
    at(Derived::AbsoluteHumidity) = s.vapourPressure * 100.0 / (kRv * T) * 1000.0;
    at(Derived::MixingRatio) = w * 1000.0;
    at(Derived::Enthalpy) = kCpAir * t + w * (kLatent + kCpVapour * t);
    at(Derived::WetBulb) = wetBulbTemperature(t, humidity, p);
    at(Derived::Margin) = t - s.dewPoint;
    return s;
}

DerivedValues deriveQuantities(double t, double humidity, double p) {
    return psychroSample(t, humidity, p).derived;
}

} // namespace orv
