#include "core/DewPoint.h"

#include <cmath>

namespace orv {

double DewPoint(float T, float& RH) {
    if (RH == 0.0F) {
        RH = 0.01F;
    }
    if (!(RH > 0.0F)) {
        return 0.0;
    }
    const double t = T;
    const double a = (std::log(static_cast<double>(RH)) - std::log(100.0)) / 17.2 + t / (t + 237.2);
    const double dp = 237.2 * a / (1.0 - a);
    return std::isfinite(dp) ? dp : 0.0;
}

} // namespace orv
