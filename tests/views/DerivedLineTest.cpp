#include "views/DerivedLine.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(DerivedLine, QuantitiesInTheDisplayUnitOrNoValue) {
    // 20 °C at 50 %: 8.65 g/m³, 7.26 g/kg, 38.56 kJ/kg, wet bulb 13.78 °C, margin 10.77 K.
    struct Case {
        SampleValues sample;
        TempUnit unit;
        double pressure;
        const char* text;
    };
    const Case cases[] = {
        {{20.0F, 50.0F, {}, 50.0F},
         TempUnit::Celsius,
         1013.25,
         "8,6 g/m³  7,3 g/kg  38,6 kJ/kg  Tf 13,8 °C  ΔT 10,8 K"},
        {{68.0F, 50.0F, {}, 50.0F},
         TempUnit::Fahrenheit,
         1013.25,
         "8,6 g/m³  7,3 g/kg  38,6 kJ/kg  Tf 56,8 °F  ΔT 10,8 K"},
        {{293.15F, 50.0F, {}, 50.0F},
         TempUnit::Kelvin,
         1013.25,
         "8,6 g/m³  7,3 g/kg  38,6 kJ/kg  Tf 286,9 K  ΔT 10,8 K"},
        // thinner air: more vapour per kilogram of dry air, a colder wet bulb
        {{20.0F, 50.0F, {}, 50.0F},
         TempUnit::Celsius,
         800.0,
         "8,6 g/m³  9,2 g/kg  43,5 kJ/kg  Tf 13,2 °C  ΔT 10,8 K"},
        {{std::nullopt, 50.0F, {}, 50.0F}, TempUnit::Celsius, 1013.25, "--.-"},
        {{20.0F, std::nullopt, {}, {}}, TempUnit::Celsius, 1013.25, "--.-"},
        {{20.0F, 50.0F, {}, 50.0F}, TempUnit::None, 1013.25, "--.-"},
    };
    const GermanFormat german;
    for (const Case& c : cases) {
        EXPECT_EQ(derivedLineText(c.sample, c.unit, c.pressure, german), c.text);
    }
    EXPECT_EQ(derivedLineText(cases[0].sample, TempUnit::Celsius, 1013.25, EnglishFormat()),
              "8.6 g/m³  7.3 g/kg  38.6 kJ/kg  Tf 13.8 °C  ΔT 10.8 K");
}

} // namespace
} // namespace orv
