// orv-tool psychro: one JSON object with every quantity, the very numbers of the model.
#include "ToolTestSupport.h"

#include "core/Psychrometrics.h"

#include <gtest/gtest.h>

#include <regex>

namespace orv {
namespace {

// The number behind "key": in a one-line JSON object.
double member(const std::string& json, const std::string& key) {
    const std::regex number("\"" + key + "\":(-?[0-9.eE+-]+)");
    std::smatch m;
    if (!std::regex_search(json, m, number)) {
        ADD_FAILURE() << key << " missing in " << json;
        return 0.0;
    }
    return std::stod(m[1]);
}

TEST(OrvToolPsychro, PrintsEveryQuantityAsTheModelComputesIt) {
    const struct {
        std::vector<std::string> args;
        double t, rh, p;
    } cases[] = {
        {{"20", "50"}, 20.0, 50.0, 1013.25},
        {{"-5.5", "80", "--pressure", "850"}, -5.5, 80.0, 850.0},
        {{"--pressure=700.5", "31", "12.5"}, 31.0, 12.5, 700.5},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"psychro"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const test::Run r = test::runTool(args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(test::linesOf(r.out).size(), 1U) << r.out;
        const PsychroSample s = psychroSample(c.t, c.rh, c.p);
        EXPECT_DOUBLE_EQ(member(r.out, "pressure"), c.p);
        EXPECT_DOUBLE_EQ(member(r.out, "dew_point"), s.dewPoint);
        EXPECT_DOUBLE_EQ(member(r.out, "vapour_pressure"), s.vapourPressure);
        for (std::size_t q = 0; q < kDerivedCount; ++q) {
            const auto key = std::string(derivedKey(static_cast<Derived>(q)));
            EXPECT_DOUBLE_EQ(member(r.out, key), s.derived[q]) << key;
        }
    }
}

TEST(OrvToolPsychro, RefusesWhatIsNotASample) {
    const std::vector<test::Refusal> cases = {
        {{"psychro", "20"}, 2, "psychro wants two numbers"},
        {{"psychro", "20", "50", "60"}, 2, "psychro wants two numbers"},
        {{"psychro", "warm", "50"}, 2, "temperature 'warm' is not a number"},
        {{"psychro", "20", "0"}, 2, "humidity must be above 0 %"},
        {{"psychro", "20", "50", "--pressure", "2000"}, 2, "--pressure wants hPa"},
        {{"psychro", "20", "50", "--altitude", "3"}, 2, "unknown option --altitude"},
        {{"csv", "x.dat", "--pressure", "900"}, 2, "--pressure goes with --derived"},
    };
    test::expectRefusals({ORV_TOOL_PATH}, cases, "orv-tool: ", false);
}

} // namespace
} // namespace orv
