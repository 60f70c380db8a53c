#include "platform/QtLocaleFormat.h"

#include "core/DayNumber.h"

#include <QDateTime>
#include <QRegularExpression>

namespace orv {

std::string QtLocaleFormat::decimalSeparator() const {
    return locale_.decimalPoint().toStdString();
}

std::string QtLocaleFormat::groupSeparator() const {
    return locale_.groupSeparator().toStdString();
}

std::string QtLocaleFormat::generalDate(double dayNumber) const {
    const CivilTime t = toCivil(dayNumber);
    const QDateTime dt(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
    // The short date with a four-digit year and the long time without its zone: the diagram's
    // label rules cut this text by position.
    QString date = locale_.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    date.replace(shortYear, QStringLiteral("yyyy"));
    return (locale_.toString(dt.date(), date) + u' ' +
            locale_.toString(dt.time(), longTimeFormatWithoutZone(locale_)))
        .toStdString();
}

QString longTimeFormatWithoutZone(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

} // namespace orv
