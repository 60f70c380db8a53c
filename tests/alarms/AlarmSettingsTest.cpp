#include "alarms/AlarmSettings.h"

#include "state/IniStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(AlarmSettings, RulesAreStoredOnePerKeyAndReadBackInOrder) {
    test::TempDir dir;
    IniStore ini(dir.file("VisualORV.Ini"));
    EXPECT_TRUE(readAlarmRuleTexts(ini).empty());
    ASSERT_TRUE(writeAlarmRuleTexts(ini, {"humidity>70 for 60s", "margin<2", "silence"}));
    EXPECT_EQ(ini.ReadIniString("Alarms", "Rule2", ""), "margin<2");
    // Fewer rules empty the keys after them.
    ASSERT_TRUE(writeAlarmRuleTexts(ini, {"margin<2"}));
    EXPECT_EQ(readAlarmRuleTexts(ini), std::vector<std::string>{"margin<2"});
    EXPECT_EQ(ini.ReadIniString("Alarms", "Rule3", "gone"), "gone");
}

TEST(AlarmSettings, HandEditedGapsAreSkippedAndBadRulesReportedNotFatal) {
    test::TempDir dir;
    test::writeFile(dir.file("VisualORV.Ini"),
                    "[Alarms]\nRule1=humidity>70\nRule3=pressure>1000\nRule5=  margin<2  \n"
                    "Rule21=temperature>30\n");
    IniStore ini(dir.file("VisualORV.Ini"));
    const std::vector<std::string> texts = readAlarmRuleTexts(ini);
    ASSERT_EQ(texts.size(), 3u);
    const AlarmRuleSet set = parseAlarmRules(texts);
    ASSERT_EQ(set.rules.size(), 2u);
    EXPECT_EQ(set.rules[0].text, "humidity>70");
    EXPECT_EQ(set.rules[1].text, "margin<2");
    ASSERT_EQ(set.refused.size(), 1u);
    EXPECT_EQ(set.refused[0].text, "pressure>1000");
    EXPECT_EQ(set.refused[0].problem, AlarmRuleProblem::UnknownQuantity);
}

TEST(AlarmSettings, NoRulesWriteNothing) {
    test::TempDir dir;
    IniStore ini(dir.file("VisualORV.Ini"));
    EXPECT_TRUE(writeAlarmRuleTexts(ini, {}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("VisualORV.Ini")));
}

} // namespace
} // namespace orv
