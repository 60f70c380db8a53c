#pragma once

namespace orv {

// Dew point in °C of air at `T` °C and `RH` % relative humidity (Magnus form with 17.2 and
// 237.2), computed in double precision from the Single inputs.
//
// An `RH` of exactly 0 is taken as 0.01 and written back, so the caller goes on with 0.01 (the
// humidity shown and stored is then 0.01, displayed as 0.0). A negative `RH`, or inputs for
// which the formula has no finite value, give 0.
[[nodiscard]] double DewPoint(float T, float& RH);

} // namespace orv
