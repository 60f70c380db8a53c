#include "core/Psychrometrics.h"
#include "core/DewPoint.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

double at(const DerivedValues& v, Derived q) {
    return v[static_cast<std::size_t>(q)];
}

TEST(PsychrometricsTest, SaturationPressureMatchesTheTables) {
    // ASHRAE Handbook - Fundamentals (2017), ch. 1, table 3, saturation pressure over water,
    // printed to 0.0001 kPa; Sonntag's formula agrees within 0.001 kPa over this range.
    struct Case {
        double t;
        double kPa;
    };
    for (const Case c : {Case{0.0, 0.6112}, Case{20.0, 2.3392}, Case{30.0, 4.2467}}) {
        EXPECT_NEAR(saturationVapourPressure(c.t) / 10.0, c.kPa, 0.001) << c.t << " °C";
    }
}

TEST(PsychrometricsTest, QuantitiesMatchPublishedValues) {
    // Absolute humidity: saturated vapour density 17.30 g/m³ at 20 °C and 30.38 g/m³ at 30 °C
    // (CRC Handbook of Chemistry and Physics, "vapor pressure and density of water"), so half of
    // it at 50 %. Mixing ratio, enthalpy and wet bulb at sea level: read off the ASHRAE
    // psychrometric chart no. 1 (to 0.1 g/kg, 0.5 kJ/kg and 0.1 °C); at saturation the wet bulb is
    // the temperature itself.
    struct Case {
        double t, rh;
        Derived q;
        double expected, tolerance;
    };
    const Case cases[] = {
        {20.0, 50.0, Derived::AbsoluteHumidity, 8.65, 0.01},
        {20.0, 100.0, Derived::AbsoluteHumidity, 17.30, 0.02},
        {30.0, 100.0, Derived::AbsoluteHumidity, 30.38, 0.05},
        {20.0, 50.0, Derived::MixingRatio, 7.3, 0.1},
        {20.0, 50.0, Derived::Enthalpy, 38.5, 0.5},
        {20.0, 50.0, Derived::WetBulb, 13.7, 0.1},
        {20.0, 100.0, Derived::WetBulb, 20.0, 1e-6},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(at(deriveQuantities(c.t, c.rh), c.q), c.expected, c.tolerance)
            << derivedName(c.q) << " at " << c.t << " °C, " << c.rh << " %";
    }
}

TEST(PsychrometricsTest, MarginIsTheShownTemperatureMinusTheProgramsDewPoint) {
    float rh = 50.0F;
    const double dp = DewPoint(21.0F, rh); // 10.1495 °C, the value the main window shows
    EXPECT_NEAR(at(deriveQuantities(21.0, 50.0), Derived::Margin), 21.0 - dp, 1e-9);
    EXPECT_NEAR(at(deriveQuantities(21.0, 50.0), Derived::Margin), 10.8505, 1e-4);
}

TEST(PsychrometricsTest, MixingRatioAndWetBulbFollowThePressure) {
    // Thinner air holds more vapour per kilogram and evaporates more: a higher mixing ratio and
    // a lower wet bulb at 800 hPa than at sea level.
    const auto sea = deriveQuantities(20.0, 50.0);
    const auto high = deriveQuantities(20.0, 50.0, 800.0);
    EXPECT_NEAR(at(high, Derived::MixingRatio) / at(sea, Derived::MixingRatio),
                (1013.25 - 11.696) / (800.0 - 11.696), 1e-3);
    EXPECT_LT(at(high, Derived::WetBulb), at(sea, Derived::WetBulb) - 0.3);
    EXPECT_EQ(at(high, Derived::AbsoluteHumidity), at(sea, Derived::AbsoluteHumidity));
}

TEST(PsychrometricsTest, WetBulbLiesBetweenDewPointAndTemperature) {
    for (double t = -20.0; t <= 50.0; t += 7.0) {
        for (double rh : {1.0, 10.0, 35.0, 70.0, 99.0}) {
            const PsychroSample s = psychroSample(t, rh);
            const double tw = at(s.derived, Derived::WetBulb);
            EXPECT_LT(tw, t) << t << " °C " << rh << " %";
            EXPECT_GT(tw, s.dewPoint - 0.5) << t << " °C " << rh << " %";
        }
    }
}

TEST(PsychrometricsTest, UnusableInputsGiveNaN) {
    const double nan = std::nan("");
    struct Case {
        double t, rh, p;
    };
    for (const Case c : {Case{nan, 50, 1013.25}, Case{20, nan, 1013.25}, Case{20, 0, 1013.25},
                         Case{20, -3, 1013.25}, Case{20, 50, nan}}) {
        for (double v : deriveQuantities(c.t, c.rh, c.p)) {
            EXPECT_TRUE(std::isnan(v)) << c.t << " " << c.rh << " " << c.p;
        }
    }
    // Vapour at or over the air pressure: no dry air left to refer the mixing ratio to.
    const auto boiling = deriveQuantities(99.0, 100.0, 900.0);
    EXPECT_TRUE(std::isnan(at(boiling, Derived::MixingRatio)));
    EXPECT_TRUE(std::isnan(at(boiling, Derived::WetBulb)));
    EXPECT_FALSE(std::isnan(at(boiling, Derived::AbsoluteHumidity)));
    // Slightly over saturation: taken as saturated for the wet bulb.
    EXPECT_DOUBLE_EQ(at(deriveQuantities(15.0, 100.4), Derived::WetBulb), 15.0);
}

TEST(PsychrometricsTest, HumidityFromDewPointInvertsTheProgramsDewPoint) {
    struct Case {
        float t, rh;
    };
    for (const Case c : {Case{21.0F, 50.0F}, Case{-10.0F, 80.0F}, Case{35.0F, 90.0F},
                         Case{0.0F, 5.0F}, Case{60.0F, 100.0F}, Case{-30.0F, 30.0F}}) {
        float rh = c.rh;
        const double td = DewPoint(c.t, rh);
        EXPECT_NEAR(humidityFromDewPoint(c.t, td), c.rh, 1e-4 * c.rh) << c.t << " °C " << c.rh;
        float back = static_cast<float>(humidityFromDewPoint(c.t, td));
        EXPECT_NEAR(DewPoint(c.t, back), td, 1e-4) << c.t << " °C " << c.rh;
    }
    EXPECT_DOUBLE_EQ(humidityFromDewPoint(12.5, 12.5), 100.0);
}

} // namespace
} // namespace orv
