#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace orv {

// Bytes of the binary log file (.dat), shared by the writer, the loader and the synthetic-log
// tool. Little-endian throughout; a 47-byte header, then 8-byte records (temperature, channel 2;
// both 32-bit floats). The count at offset 0 is rewritten after every record.
inline constexpr std::int64_t kLogHeaderSize = 47;
inline constexpr std::int64_t kLogRecordSize = 8;
inline constexpr std::int64_t kLogMagicOffset = 9;
inline constexpr char kLogMagic[] = "ORV32";
inline constexpr std::size_t kLogTextLength = 8;

// Unit text of a unit code byte: 'C' -> "°C", 'F' -> "°F", '%' -> " %", any other byte -> a blank
// followed by that character (so 'K' -> " K"). Bytes above 0x7F are taken as Latin-1; control
// bytes become '?'. The result is UTF-8.
[[nodiscard]] std::string unitTextForCode(char code);

// Header of one log file as it is stored (47 bytes, little-endian). Every diagram keeps its own
// copy, so two windows over two files never mix their units or start times.
struct LogHeader {
    // Record count at offset 0 as stored. A file that was cut short holds fewer complete records
    // than this; LogData::size() is the number actually loaded.
    std::int32_t recordCount = 0;
    char tempUnitCode = 'C'; // offset 15: 'C', 'F' or 'K'
    char ch2UnitCode = '%';  // offset 16: '%' for humidity, else the temperature code (dew point)
    double startTime = 0.0;  // offset 23: day number (local time) of record 0
    float interval = 0.0f;   // offset 31: seconds between two records
    std::string text;        // offsets 35..42: the 8 raw bytes of the sensor text field

    [[nodiscard]] std::string tempUnitText() const { return unitTextForCode(tempUnitCode); }
    [[nodiscard]] std::string ch2UnitText() const { return unitTextForCode(ch2UnitCode); }
    [[nodiscard]] bool ch2IsHumidity() const { return ch2UnitCode == '%'; }
    // The text field as UTF-8 (bytes read as Latin-1), trailing blanks kept.
    [[nodiscard]] std::string textUtf8() const;
    // Day number of record k: startTime + k * interval / 86400.
    [[nodiscard]] double recordTime(std::int64_t k) const;
};

// The sensor text as stored: cut to 8 bytes or padded with blanks on the right.
[[nodiscard]] std::string fitLogText(const std::string& text);

// Header bytes of `header` (count, magic, unit codes, start time, interval, text field; every
// other byte zero). The text is passed through fitLogText.
[[nodiscard]] std::array<unsigned char, kLogHeaderSize> encodeLogHeader(const LogHeader& header);
// Reads the fields back from 47 header bytes; checks nothing (the loader judges the values).
[[nodiscard]] LogHeader decodeLogHeader(const unsigned char* bytes);

// Little-endian scalars, whatever the host's byte order.
template <typename T>
inline T readLE(const unsigned char* p) {
    std::array<unsigned char, sizeof(T)> b;
    std::memcpy(b.data(), p, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(b.begin(), b.end());
    }
    return std::bit_cast<T>(b);
}
template <typename T>
inline void writeLE(unsigned char* p, T value) {
    auto b = std::bit_cast<std::array<unsigned char, sizeof(T)>>(value);
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(b.begin(), b.end());
    }
    std::memcpy(p, b.data(), sizeof(T));
}
inline float readFloatLE(const unsigned char* p) {
    return readLE<float>(p);
}

// One 8-byte record.
inline void encodeLogRecord(unsigned char* p, float temperature, float channel2) {
    writeLE(p, temperature);
    writeLE(p + 4, channel2);
}

} // namespace orv
