#include "core/DewPoint.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(DewPointTest, MagnusFormWith17_2And237_2) {
    // Reference values worked out by hand from the formula in double precision.
    struct Case {
        float t;
        float rh;
        double expected;
    };
    const Case cases[] = {
        {21.0F, 50.0F, 10.149503521056095},
        {23.4F, 45.6F, 10.952972906666954},
        {-10.0F, 80.0F, -12.788652184462526},
        {35.0F, 90.0F, 33.099933436487426},
        {25.0F, 100.0F, 25.0},
        {0.0F, 100.0F, 0.0},
    };
    for (const auto& c : cases) {
        float rh = c.rh;
        EXPECT_NEAR(DewPoint(c.t, rh), c.expected, 1e-9) << c.t << " °C, " << c.rh << " %";
        EXPECT_EQ(rh, c.rh);
    }
}

TEST(DewPointTest, HumidityZeroBecomesOneHundredthAndNoFiniteValueGivesZero) {
    float rh = 0.0F;
    EXPECT_NEAR(DewPoint(20.0F, rh), -74.48062825948811, 1e-6);
    EXPECT_EQ(rh, 0.01F); // written back for the caller
    float negative = -5.0F;
    EXPECT_EQ(DewPoint(20.0F, negative), 0.0);
    float saturated = 100.0F;
    EXPECT_EQ(DewPoint(1e30F, saturated), 0.0); // a is exactly 1, a / (1 - a) unbounded
}

} // namespace
} // namespace orv
