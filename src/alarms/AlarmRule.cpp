#include "alarms/AlarmRule.h"

#include "core/Texts.h"

#include <cctype>
#include <charconv>
#include <string>

namespace orv {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}
bool isLetter(char c) {
    // Letters of ASCII words and the bytes of UTF-8 letters such as the ü of "für".
    return std::isalpha(static_cast<unsigned char>(c)) != 0 ||
           (static_cast<unsigned char>(c) >= 0x80 && c != '\xC2');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Alias {
    std::string_view word;
    AlarmQuantity quantity;
};
constexpr Alias kQuantities[] = {
    {"temperature", AlarmQuantity::Temperature},
    {"temperatur", AlarmQuantity::Temperature},
    {"temp", AlarmQuantity::Temperature},
    {"t", AlarmQuantity::Temperature},
    {"humidity", AlarmQuantity::Humidity},
    {"feuchte", AlarmQuantity::Humidity},
    {"rh", AlarmQuantity::Humidity},
    {"h", AlarmQuantity::Humidity},
    {"dewpoint", AlarmQuantity::DewPoint},
    {"taupunkt", AlarmQuantity::DewPoint},
    {"td", AlarmQuantity::DewPoint},
    {"margin", AlarmQuantity::Margin},
    {"abstand", AlarmQuantity::Margin},
    {"silence", AlarmQuantity::Silence},
    {"stille", AlarmQuantity::Silence},
};

// Reads over a lower-cased copy of the rule; positions are the same in the original.
class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {
        for (char& c : s_) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    void skipSpace() {
        while (pos_ < s_.size() && isSpace(s_[pos_])) {
            ++pos_;
        }
    }
    [[nodiscard]] bool atEnd() {
        skipSpace();
        return pos_ >= s_.size();
    }
    [[nodiscard]] std::size_t pos() const { return pos_; }
    void setPos(std::size_t p) { pos_ = p; }

    std::string_view word() {
        skipSpace();
        const std::size_t start = pos_;
        while (pos_ < s_.size() && isLetter(s_[pos_])) {
            ++pos_;
        }
        return std::string_view(s_).substr(start, pos_ - start);
    }
    bool literal(std::string_view lit) {
        skipSpace();
        if (std::string_view(s_).substr(pos_).starts_with(lit)) {
            pos_ += lit.size();
            return true;
        }
        return false;
    }
    // A decimal number with a point or a comma and an optional sign.
    std::optional<double> number() {
        skipSpace();
        std::string digits;
        std::size_t p = pos_;
        if (p < s_.size() && (s_[p] == '+' || s_[p] == '-')) {
            if (s_[p] == '-') {
                digits += '-';
            }
            ++p;
        }
        bool any = false;
        bool point = false;
        for (; p < s_.size(); ++p) {
            const char c = s_[p];
            if (isDigit(c)) {
                digits += c;
                any = true;
            } else if ((c == '.' || c == ',') && !point) {
                digits += '.';
                point = true;
            } else {
                break;
            }
        }
        if (!any) {
            return std::nullopt;
        }
        double value = 0.0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec != std::errc{} || end != digits.data() + digits.size()) {
            return std::nullopt;
        }
        pos_ = p;
        return value;
    }

private:
    std::string s_;
    std::size_t pos_ = 0;
};

std::optional<AlarmQuantity> quantityOf(std::string_view word) {
    for (const Alias& a : kQuantities) {
        if (a.word == word) {
            return a.quantity;
        }
    }
    return std::nullopt;
}

// A unit right after a number, or Display when none is written. nullopt for a unit word that is
// not one (the caller reads it as the next clause instead).
std::optional<AlarmUnit> readUnit(Reader& r) {
    const std::size_t start = r.pos();
    if (r.literal("%rh") || r.literal("%")) {
        return AlarmUnit::Percent;
    }
    if (r.literal("°c") || r.literal("degc")) {
        return AlarmUnit::Celsius;
    }
    if (r.literal("°f") || r.literal("degf")) {
        return AlarmUnit::Fahrenheit;
    }
    const std::string_view w = r.word();
    if (w == "c") {
        return AlarmUnit::Celsius;
    }
    if (w == "f") {
        return AlarmUnit::Fahrenheit;
    }
    if (w == "k") {
        return AlarmUnit::Kelvin;
    }
    r.setPos(start);
    return std::nullopt;
}

// The written unit made fit for the quantity, or nullopt when it does not fit.
std::optional<AlarmUnit> unitFor(AlarmQuantity q, AlarmUnit written) {
    switch (q) {
    case AlarmQuantity::Humidity:
        return written == AlarmUnit::Display || written == AlarmUnit::Percent
                   ? std::optional(AlarmUnit::Percent)
                   : std::nullopt;
    case AlarmQuantity::Margin:
        // A difference: one kelvin is one degree Celsius.
        return written == AlarmUnit::Display || written == AlarmUnit::Kelvin ||
                       written == AlarmUnit::Celsius
                   ? std::optional(AlarmUnit::KelvinDifference)
                   : std::nullopt;
    default:
        return written == AlarmUnit::Percent ? std::nullopt : std::optional(written);
    }
}

std::optional<double> readDuration(Reader& r) {
    const std::optional<double> n = r.number();
    if (!n || *n < 0) {
        return std::nullopt;
    }
    const std::size_t start = r.pos();
    const std::string_view w = r.word();
    if (w.empty() || w == "s" || w == "sec" || w == "secs" || w == "second" || w == "seconds") {
        return *n;
    }
    if (w == "min" || w == "m" || w == "minute" || w == "minutes") {
        return *n * 60.0;
    }
    if (w == "h" || w == "hour" || w == "hours") {
        return *n * 3600.0;
    }
    r.setPos(start);
    return *n; // a following word is the next clause
}

std::string trimmed(std::string_view text) {
    while (!text.empty() &&
           (isSpace(text.front()) || text.front() == '\r' || text.front() == '\n')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (isSpace(text.back()) || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

} // namespace

std::variant<AlarmRule, AlarmRuleError> parseAlarmRule(std::string_view input) {
    AlarmRule rule;
    rule.text = trimmed(input);
    Reader r(rule.text);
    auto fail = [&](AlarmRuleProblem problem, std::size_t at) {
        return AlarmRuleError{rule.text, problem, trimmed(std::string_view(rule.text).substr(at))};
    };
    if (r.atEnd()) {
        return fail(AlarmRuleProblem::Empty, 0);
    }
    std::size_t at = r.pos();
    std::string_view word = r.word();
    if (word == "dew" && r.word() == "point") {
        word = "dewpoint";
    }
    const std::optional<AlarmQuantity> quantity = quantityOf(word);
    if (!quantity) {
        return fail(AlarmRuleProblem::UnknownQuantity, at);
    }
    rule.quantity = *quantity;

    if (rule.quantity != AlarmQuantity::Silence) {
        at = r.pos();
        if (r.literal(">=")) {
            rule.comparison = AlarmComparison::AtLeast;
        } else if (r.literal(">")) {
            rule.comparison = AlarmComparison::Above;
        } else if (r.literal("<=")) {
            rule.comparison = AlarmComparison::AtMost;
        } else if (r.literal("<")) {
            rule.comparison = AlarmComparison::Below;
        } else {
            return fail(AlarmRuleProblem::MissingComparison, at);
        }
        at = r.pos();
        const std::optional<double> limit = r.number();
        if (!limit) {
            return fail(AlarmRuleProblem::BadLimit, at);
        }
        rule.limit = *limit;
        at = r.pos();
        const std::optional<AlarmUnit> unit =
            unitFor(rule.quantity, readUnit(r).value_or(AlarmUnit::Display));
        if (!unit) {
            return fail(AlarmRuleProblem::BadUnit, at);
        }
        rule.unit = *unit;
    }

    bool holdSeen = false;
    bool hystSeen = false;
    while (!r.atEnd()) {
        at = r.pos();
        const std::string_view clause = r.word();
        if ((clause == "for" || clause == "für") && !holdSeen) {
            holdSeen = true;
            const std::size_t valueAt = r.pos();
            const std::optional<double> hold = readDuration(r);
            if (!hold) {
                return fail(AlarmRuleProblem::BadHoldTime, valueAt);
            }
            rule.holdSeconds = *hold;
        } else if ((clause == "hyst" || clause == "hysteresis" || clause == "hysterese") &&
                   !hystSeen && rule.quantity != AlarmQuantity::Silence) {
            hystSeen = true;
            const std::size_t valueAt = r.pos();
            const std::optional<double> hyst = r.number();
            if (!hyst || *hyst < 0) {
                return fail(AlarmRuleProblem::BadHysteresis, valueAt);
            }
            rule.hysteresis = *hyst;
            const std::size_t unitAt = r.pos();
            if (const std::optional<AlarmUnit> u = readUnit(r)) {
                // The band is in the limit's unit; a different one would silently mean another
                // size.
                const std::optional<AlarmUnit> fitted = unitFor(rule.quantity, *u);
                if (!fitted || (*fitted != rule.unit && rule.quantity != AlarmQuantity::Margin)) {
                    return fail(AlarmRuleProblem::BadUnit, unitAt);
                }
            }
        } else {
            return fail(AlarmRuleProblem::UnexpectedText, at);
        }
    }
    return rule;
}

std::string alarmRuleErrorText(const AlarmRuleError& error, const Texts* texts) {
    std::string reason;
    switch (error.problem) {
    case AlarmRuleProblem::Empty:
        reason = "empty rule";
        break;
    case AlarmRuleProblem::UnknownQuantity:
        reason = "unknown quantity (temperature, humidity, dewpoint, margin, silence)";
        break;
    case AlarmRuleProblem::MissingComparison:
        reason = "> or < missing";
        break;
    case AlarmRuleProblem::BadLimit:
        reason = "limit missing or not a number";
        break;
    case AlarmRuleProblem::BadUnit:
        reason = "unit does not fit the quantity";
        break;
    case AlarmRuleProblem::BadHoldTime:
        reason = "hold time is not a duration like 60s";
        break;
    case AlarmRuleProblem::BadHysteresis:
        reason = "hysteresis must be a number >= 0";
        break;
    case AlarmRuleProblem::UnexpectedText:
        reason = "unexpected text";
        break;
    }
    if (texts != nullptr) {
        reason = texts->textOr(static_cast<int>(error.problem), reason);
    }
    std::string out = "'" + error.text + "': " + reason;
    if (!error.near.empty() && error.problem != AlarmRuleProblem::Empty) {
        out += " ('" + error.near + "')";
    }
    return out;
}

AlarmUnit effectiveUnit(const AlarmRule& rule, TempUnit display) {
    if (rule.unit != AlarmUnit::Display) {
        return rule.unit;
    }
    switch (display) {
    case TempUnit::Fahrenheit:
        return AlarmUnit::Fahrenheit;
    case TempUnit::Kelvin:
        return AlarmUnit::Kelvin;
    default:
        return AlarmUnit::Celsius;
    }
}

double fromCelsius(double celsius, AlarmUnit unit) {
    switch (unit) {
    case AlarmUnit::Fahrenheit:
        return celsius * 1.8 + 32.0;
    case AlarmUnit::Kelvin:
        return celsius + 273.15;
    default:
        return celsius;
    }
}

} // namespace orv
