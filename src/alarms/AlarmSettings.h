#pragma once

#include "alarms/AlarmRule.h"

#include <string>
#include <vector>

namespace orv {

class IniStore;

// Rules read from texts: the good ones in order, and each refused one with its reason.
struct AlarmRuleSet {
    std::vector<AlarmRule> rules;
    std::vector<AlarmRuleError> refused;
};

[[nodiscard]] AlarmRuleSet parseAlarmRules(const std::vector<std::string>& texts);

// The rule texts of section Alarms (Rule1..Rule20, empty keys skipped), as written.
[[nodiscard]] std::vector<std::string> readAlarmRuleTexts(const IniStore& ini);

// Stores the texts as Rule1..RuleN and empties the keys after them. Texts beyond the 20th are
// not stored. false when the file could not be written.
bool writeAlarmRuleTexts(IniStore& ini, const std::vector<std::string>& texts);

} // namespace orv
