#pragma once

#include "core/LocaleFormat.h"

#include <QLocale>

namespace orv {

// The system's regional settings through QLocale.
class QtLocaleFormat final : public LocaleFormat {
public:
    explicit QtLocaleFormat(QLocale locale = QLocale::system()) : locale_(std::move(locale)) {}

    [[nodiscard]] std::string decimalSeparator() const override;
    [[nodiscard]] std::string groupSeparator() const override;
    [[nodiscard]] std::string generalDate(double dayNumber) const override;

    // The number conversion test of the start sequence: the comma is the decimal separator.
    [[nodiscard]] bool decimalComma() const { return decimalSeparator() == ","; }

private:
    QLocale locale_;
};

// The locale's long time format without its time zone: every time shown is local.
[[nodiscard]] QString longTimeFormatWithoutZone(const QLocale& locale);

} // namespace orv
