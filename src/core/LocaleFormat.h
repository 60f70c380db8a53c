#pragma once

#include <string>

namespace orv {

// The pieces of the system's regional settings the model needs: the number separators and the
// general date-and-time text. The program hands in a QLocale-backed implementation; tests and the
// command-line tools use the fixed German and US-English ones below.
class LocaleFormat {
public:
    virtual ~LocaleFormat() = default;

    [[nodiscard]] virtual std::string decimalSeparator() const = 0;
    [[nodiscard]] virtual std::string groupSeparator() const = 0;

    // Short date with a four-digit year, a blank and the long time without a time zone:
    // German "31.12.2004 09:05:00", US English "12/31/2004 10:05:00 PM". `dayNumber` is local
    // time in days since 1899-12-30.
    [[nodiscard]] virtual std::string generalDate(double dayNumber) const = 0;
};

// A number with exactly `decimals` decimals in the locale's format, with digit grouping
// (German 1.234,5; English 1,234.5). Rounds the exact binary value to nearest. The digits never
// depend on the C library's locale; the separators are `locale`'s alone. NaN is "NaN",
// infinities "Inf" and "-Inf".
[[nodiscard]] std::string formatFixed(const LocaleFormat& locale, double value, int decimals);

// The one-decimal display format used for every live value.
[[nodiscard]] inline std::string Format1(const LocaleFormat& locale, double value) {
    return formatFixed(locale, value, 1);
}

class GermanFormat final : public LocaleFormat {
public:
    [[nodiscard]] std::string decimalSeparator() const override { return ","; }
    [[nodiscard]] std::string groupSeparator() const override { return "."; }
    [[nodiscard]] std::string generalDate(double dayNumber) const override;
};

class EnglishFormat final : public LocaleFormat {
public:
    [[nodiscard]] std::string decimalSeparator() const override { return "."; }
    [[nodiscard]] std::string groupSeparator() const override { return ","; }
    [[nodiscard]] std::string generalDate(double dayNumber) const override;
};

} // namespace orv
