#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Frames as a sensor sends them; the simulator and test fixtures build them here so that every
// producer agrees byte for byte with what the frame parser cuts.
//
// F layout (long frame, 40 characters up to and including the CR):
//
//   @T;+023.45;C;F;045.67;%;S/N;SIM00001;XX<CR>[<LF>]
//   1  4      11  14 16    22    29      37 38  40
//
//   temperature  positions 4..10  (7 characters, "T;" at 2)
//   humidity     positions 16..21 (6 characters, "F;" at 14, the first place the parser looks)
//   serial no.   positions 29..36 (8 characters)
//   checksum     positions 38..39 over positions 1..37
//
// H layout (short frame, at most 21 characters):
//
//   @T;+23.4;H;45.6;XX<CR>[<LF>]      checksum over positions 2..L-3
//
// A sensor error code ("A" and two characters) replaces a reading. In the F layout it is padded
// with blanks to the field width, so the serial number stays at position 29; in the H layout it
// is sent as it is, since the parser cuts three characters after an "A" there.
enum class FrameLayout { F, H };

inline constexpr std::string_view kDefaultSerialNumber = "SIM00001";
inline constexpr std::size_t kSerialNumberLength = 8;
inline constexpr std::size_t kSerialNumberPosition = 29; // 1-based, as the parser counts
inline constexpr std::size_t kLongFrameLength = 40;      // F layout, CR included

// What a value field carries: a reading, or an error code sent in its place.
struct FieldValue {
    double value = 0.0;
    std::string errorCode; // non-empty: sent instead of `value`
};

struct SensorFrame {
    FrameLayout layout = FrameLayout::F;
    FieldValue temperature;                         // °C; the sensor always measures in °C
    FieldValue humidity;                            // % relative humidity
    std::string serialNumber{kDefaultSerialNumber}; // F layout only
    bool decimalComma = false;                      // "23,45" instead of "23.45"
    bool badChecksum = false;                       // deliberately wrong checksum digits
};

// Readings outside these bounds are clamped so a field never outgrows its width (which would
// move the serial number or push a short frame to the refused length 22).
inline constexpr double kMinFieldValue = -99.9;
inline constexpr double kMaxFieldValue = 999.9;

// One-line reasons why a text cannot go into a frame; nullopt when it can.
// A serial number is exactly 8 characters of letters, digits and "-_./+#" (no ";", "@" or ","
// that would confuse the parser's marker search or its decimal-comma step).
[[nodiscard]] std::optional<std::string> checkSerialNumber(std::string_view text);
// An error code is "A" followed by two upper-case letters or digits, e.g. "A03".
[[nodiscard]] std::optional<std::string> checkErrorCode(std::string_view text);

// The field texts exactly as they appear in the frame (error codes padded in the F layout).
[[nodiscard]] std::string temperatureField(const SensorFrame& frame);
[[nodiscard]] std::string humidityField(const SensorFrame& frame);

// The frame from "@T" up to, not including, the checksum digits.
// Throws std::invalid_argument for a serial number or error code that the checks above refuse.
[[nodiscard]] std::string sensorFrameBody(const SensorFrame& frame);

// The complete frame: body, two upper-case hex checksum digits and `terminator` ("\r" or "\r\n").
[[nodiscard]] std::string buildSensorFrame(const SensorFrame& frame,
                                           std::string_view terminator = "\r\n");

} // namespace orv
