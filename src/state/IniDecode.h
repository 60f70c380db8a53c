#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How stored settings texts turn into values. Each reader sees at most a fixed number of
// characters of the stored text (the rest is cut off before decoding), and an empty text always
// gives the caller's default.
namespace orv::ini {

inline constexpr std::size_t IntTextLimit = 31;
inline constexpr std::size_t LongTextLimit = 31;
inline constexpr std::size_t BoolTextLimit = 19;
inline constexpr std::size_t StringTextLimit = 255;

// The stored text as a reader sees it: up to the first NUL, at most `maxChars` characters. A UTF-8
// sequence counts as one character and is never split; any other byte counts as one.
[[nodiscard]] std::string_view cutStoredText(std::string_view stored, std::size_t maxChars);

// The number the text begins with: leading blanks, an optional sign, digits with an optional "."
// and fraction, an optional exponent ("e" or "E", optional sign, digits). "." is the decimal point
// whatever the locale. Text that does not begin with a number gives 0; a number too large for a
// double gives an infinity.
[[nodiscard]] double leadingNumber(std::string_view text);

// Rounds to the nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
[[nodiscard]] double roundHalfEven(double value);

// Decoders of already cut text. A number outside the type's range gives the default.
[[nodiscard]] std::int16_t decodeInt(std::string_view text, std::int16_t fallback);
[[nodiscard]] std::int32_t decodeLong(std::string_view text, std::int32_t fallback);
// Upper-cased and compared exactly, without trimming: "1", "ON", "TRUE", "-1" are true, "0",
// "OFF", "FALSE" false, anything else gives the default.
[[nodiscard]] bool decodeBool(std::string_view text, bool fallback);
[[nodiscard]] std::string decodeString(std::string_view text, std::string_view fallback);

} // namespace orv::ini
