#include "alarms/AlarmSettings.h"

#include "state/SettingsKeys.h"

namespace orv {

AlarmRuleSet parseAlarmRules(const std::vector<std::string>& texts) {
    AlarmRuleSet set;
    for (const std::string& text : texts) {
        auto parsed = parseAlarmRule(text);
        if (auto* rule = std::get_if<AlarmRule>(&parsed)) {
            set.rules.push_back(std::move(*rule));
        } else {
            set.refused.push_back(std::get<AlarmRuleError>(std::move(parsed)));
        }
    }
    return set;
}

std::vector<std::string> readAlarmRuleTexts(const IniStore& ini) {
    std::vector<std::string> texts;
    for (int n = 1; n <= keys::MaxAlarmRules; ++n) {
        std::string text = ini.ReadIniString(keys::Alarms, keys::alarmRuleKey(n), "");
        if (!text.empty()) {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

bool writeAlarmRuleTexts(IniStore& ini, const std::vector<std::string>& texts) {
    bool ok = true;
    for (int n = 1; n <= keys::MaxAlarmRules; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - 1);
        const std::string_view text = i < texts.size() ? std::string_view(texts[i]) : "";
        // An empty key that is not in the file needs no write (and no file is created for it).
        if (text.empty() && ini.ReadIniString(keys::Alarms, keys::alarmRuleKey(n), "").empty()) {
            continue;
        }
        ok = ini.WriteIniString(keys::Alarms, keys::alarmRuleKey(n), text) && ok;
    }
    return ok;
}

} // namespace orv
