#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

// Number reading for sensor fields and port texts. Both ignore the locale: the sensor always
// writes a decimal point (or a comma, which is read as a point).

// Reads the leading number of `text`: commas become points, then the longest prefix made of
// "1234567890.+-" is read as an optional sign, digits and at most one point. Anything that does
// not read as a number, or lies outside the float range, gives 0. "+023.45" -> 23.45,
// "45.6;" -> 45.6, " 1" -> 0, "A03" -> 0, "23,4" -> 23.4.
[[nodiscard]] float ParseSingle(std::string_view text);

// Reads the first run of "1234567890-+" in `text` as an optional sign and digits. No such run,
// or a value outside the 32-bit range, gives 0. "Com12" -> 12, "auto" -> 0.
[[nodiscard]] std::int32_t ParseLong(std::string_view text);

} // namespace orv
