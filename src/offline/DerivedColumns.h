#pragma once

#include "core/Psychrometrics.h"

#include <array>
#include <string>

namespace orv {

// The humidity quantities as extra CSV columns behind a log's own ones.

// Column names of the quantities; an empty one stands for the English name.
using DerivedNames = std::array<std::string, kDerivedCount>;

// The widest row part writeDerivedCells can produce.
inline constexpr std::size_t kDerivedCellsMaxChars = kDerivedCount * 48;

// ",absolute humidity (g/m³),..." with the separator in front of every name.
[[nodiscard]] std::string derivedHeaderCells(const DerivedNames& names, char separator);

// The separator and the value of each quantity to three decimals (halves to even, no negative
// zero); NaN is an empty cell. Returns the end of what was written.
char* writeDerivedCells(char* out, const DerivedValues& values, char separator, char decimal);

} // namespace orv
