#include "CoreFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>

namespace orv {
namespace {

struct DisplayCase {
    const char* name;
    TempUnit unit;
    Channel2Mode channel2;
    bool german;
    const char* tempText;
    const char* humText;
    const char* txtTemp;
    const char* txtRH;
    const char* txtTp;
    const char* liveTempUnit;
    const char* liveCh2Unit;
    std::optional<float> temperature; // history row 250
    std::optional<float> ch2;
};

// Test names carry the case name; print only that, so ctest lists stable names.
void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr auto C = TempUnit::Celsius;
constexpr auto F = TempUnit::Fahrenheit;
constexpr auto K = TempUnit::Kelvin;
constexpr auto Hum = Channel2Mode::Humidity;
constexpr auto Dp = Channel2Mode::DewPoint;
constexpr std::optional<float> none;

// Dew points: 21.0/50 -> 10.1495 °C, 22.3/40 -> 8.00896 °C, 23.4/45.6 -> 10.95297 °C,
// -10/80 -> -12.78865 °C, 20/0.01 -> -74.48063 °C.
const DisplayCase kDisplayCases[] = {
    {"CelsiusEnglish", C, Hum, false, "+21.0;", "50.0;", "21.0 °C", "50.0 %", "10.1  °C", " °C",
     " %", 21.0F, 50.0F},
    {"CelsiusGerman", C, Hum, true, "+21.0;", "50.0;", "21,0 °C", "50,0 %", "10,1  °C", " °C", " %",
     21.0F, 50.0F},
    {"CelsiusDewPoint", C, Dp, false, "+23.4;", "45.6;", "23.4 °C", "45.6 %", "11.0  °C", " °C",
     " °C", 23.4F, 10.952973F},
    {"FahrenheitEnglish", F, Hum, false, "+21.0;", "50.0;", "69.8 °F", "50.0 %", "50.3  °F", " °F",
     " %", 69.8F, 50.0F},
    {"KelvinSingleRounding", K, Hum, false, "+22.3;", "40.0;", "295.5 K", "40.0 %", "281.2  K",
     " K", " %", 295.45001F, 40.0F},
    {"KelvinDewPointGerman", K, Dp, true, "+22.3;", "40.0;", "295,5 K", "40,0 %", "281,2  K", " K",
     " K", 295.45001F, 281.15897F},
    {"KelvinTieOfTheSingle", K, Hum, false, "+36.6;", "50.0;", "309.8 K", "50.0 %", "297.6  K",
     " K", " %", 309.75F, 50.0F},
    {"HumidityZeroStoresOneHundredth", C, Hum, false, "+20.0;", "00.0;", "20.0 °C", "0.0 %",
     "-74.5  °C", " °C", " %", 20.0F, 0.01F},
    {"HumidityZeroDewPointFahrenheit", F, Dp, false, "+20.0;", "00.0;", "68.0 °F", "0.0 %",
     "-102.1  °F", " °F", " °F", 68.0F, -102.065132F},
    {"TemperatureErrorCode", C, Hum, false, "A03", "45.6;", "Err A03", "45.6 %", "--.- °C", "",
     " %", none, 45.6F},
    {"TemperatureErrorCodeDewPoint", C, Dp, false, "A03", "45.6;", "Err A03", "45.6 %", "--.- °C",
     "", "", none, none},
    {"HumidityErrorCode", C, Hum, true, "+21.0;", "A05", "21,0 °C", "Err A05", "--.- °C", " °C", "",
     21.0F, none},
    {"NoUnitChosen", TempUnit::None, Hum, false, "+21.0;", "50.0;", "--.-", "50.0 %", "--.- °C", "",
     " %", none, 50.0F},
};

class ShowValuesTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ShowValuesTest, TextsAndHistoryInTheDisplayUnit) {
    const DisplayCase& c = GetParam();
    test::MeasurementRig rig(c.german);
    Measurement& m = rig.m;
    m.settings().unit = c.unit;
    m.settings().channel2 = c.channel2;
    m.ShowValues(c.tempText, c.humText, "SER");

    EXPECT_EQ(m.txtTemp(), c.txtTemp);
    EXPECT_EQ(m.txtRH(), c.txtRH);
    EXPECT_EQ(m.txtTp(), c.txtTp);
    EXPECT_EQ(m.LiveTempUnit(), c.liveTempUnit);
    EXPECT_EQ(m.LiveCh2Unit(), c.liveCh2Unit);

    const Sample& row = m.onlineData().newest();
    ASSERT_TRUE(row.timeOfDay.has_value());
    EXPECT_DOUBLE_EQ(*row.timeOfDay, 0.25);
    ASSERT_EQ(row.temperature.has_value(), c.temperature.has_value());
    if (c.temperature) {
        EXPECT_FLOAT_EQ(*row.temperature, *c.temperature);
    }
    ASSERT_EQ(row.channel2.has_value(), c.ch2.has_value());
    if (c.ch2) {
        EXPECT_FLOAT_EQ(*row.channel2, *c.ch2);
    }
    EXPECT_EQ(m.onlineData().labels().serial, "SER");
    EXPECT_EQ(m.onlineData().labels().tempUnit, c.liveTempUnit);
    EXPECT_EQ(m.onlineData().labels().ch2Unit, c.liveCh2Unit);
    EXPECT_EQ(m.values().temperature, row.temperature);
    EXPECT_EQ(m.values().channel2, row.channel2);
}

INSTANTIATE_TEST_SUITE_P(Units, ShowValuesTest, ::testing::ValuesIn(kDisplayCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ShowValuesOnlineTest, WindowTextsAndCaptionFollowLinkAndChannel2) {
    struct Case {
        bool german;
        int linkMode;
        Channel2Mode channel2;
        const char* serial;
        const char* caption;
        const char* temp;
        const char* lbl0;
        const char* lbl1;
    };
    // An unknown value shows dashes in the large labels, never an invented 0.
    const Case cases[] = {
        {true, 0, Hum, "SIM00001", "gemessene Temperatur | gemessene Feuchte (COM3 [SIM00001])",
         "+21.0;", "21,0 °C", "50,0 %"},
        {false, 0, Dp, "", "measured temperature | calculated dew point (COM3)", "+21.0;",
         "21.0 °C", "10.1 °C"},
        {false, 1, Hum, "", "measured temperature | measured humidity (127.0.0.1)", "A03", "--.-",
         "50.0 %"},
        {true, 7, Dp, "AB", "gemessene Temperatur | errechneter Taupunkt (127.0.0.1 [AB])", "A03",
         "--.-", "--.-"},
    };
    for (const auto& c : cases) {
        test::MeasurementRig rig(c.german);
        Measurement& m = rig.m;
        m.settings().LinkMode = c.linkMode;
        m.settings().channel2 = c.channel2;
        m.settings().onlineShown = true;
        m.ShowValues(c.temp, "50.0;", c.serial);
        EXPECT_EQ(m.onlineCaption(), c.caption);
        EXPECT_EQ(m.lblSen(0), c.lbl0);
        EXPECT_EQ(m.lblSen(1), c.lbl1);
        const auto& events = rig.seen.events;
        EXPECT_NE(std::find(events.begin(), events.end(), std::string("online=") + c.caption),
                  events.end());
    }
}

TEST(ShowValuesCaptionTest, MinimizedCaptionCarriesValuesAndRecMark) {
    test::MeasurementRig rig;
    Measurement& m = rig.m;
    const auto& events = rig.seen.events;
    m.ShowValues("+21.0;", "50.0;", "");
    EXPECT_EQ(m.minimizedCaption(), "");
    m.settings().minimized = true;
    m.settings().RecMark = "  (Rec)";
    m.ShowValues("+21.0;", "50.0;", "");
    EXPECT_EQ(m.minimizedCaption(), " 21.0 °C / 50.0 %  (Rec)");
    EXPECT_EQ(events.back(), "caption= 21.0 °C / 50.0 %  (Rec)");
    // Nothing of the online window is written while it is not shown.
    for (const auto& e : events) {
        EXPECT_NE(e.rfind("online=", 0), 0U) << e;
        EXPECT_NE(e.rfind("lblSen", 0), 0U) << e;
    }
}

} // namespace
} // namespace orv
