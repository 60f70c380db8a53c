#include "state/IniStore.h"
#include "state/IniDecode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace orv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// A settings file holding `stored` as the value of [S] k.
class StoredValue : public ::testing::Test {
protected:
    IniStore store(const std::string& stored) {
        writeFile(ini_, "[S]\nk=" + stored + "\n");
        return IniStore(ini_);
    }
    TempDir dir_;
    std::filesystem::path ini_ = dir_.file("VisualORV.Ini");
};

TEST_F(StoredValue, IntegersDecodeTheLeadingNumber) {
    // Default 7. Halves go to even; out of 16-bit range gives the default; the text is cut to 31
    // characters before it is decoded (so the 32nd character is never seen).
    // clang-format off
    const std::pair<std::string, std::int16_t> cases[] = {
        {"abc", 0}, {"", 7}, {"40000", 7}, {"3.5", 4}, {"2.5", 2}, {"-2.5", -2}, {"-3.5", -4},
        {"0.5", 0}, {"2.51", 3}, {"1e3", 1000}, {"1.5E1", 15}, {"2e+2", 200}, {"25e-1", 2},
        {"1e", 1}, {"12abc", 12}, {"+5", 5}, {".5", 0}, {"-", 0}, {"4,5", 4}, {"32767", 32767},
        {"-32768", -32768}, {"32768", 7}, {"-32769", 7}, {"32767.4", 7}, {"32767.6", 7},
        {"1e5", 7}, {"1e999", 7}, {"1e-999", 0}, {"0x1F", 0}, {"1 2", 1},
        {std::string(40, '9'), 7}, {std::string(31, '0') + "5", 0}, {std::string("1\0" "99", 4), 1},
    };
    // clang-format on
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE("stored \"" + stored + "\"");
        EXPECT_EQ(store(stored).ReadIniInt("S", "k", 7), expected);
    }
}

TEST_F(StoredValue, LongsHoldWhatIntegersCannot) {
    // clang-format off
    const std::pair<std::string, std::int32_t> cases[] = {
        {"65535", 65535}, {"40000", 40000}, {"2147483647", 2147483647}, {"2147483648", -1},
        {"-2147483648", INT32_MIN}, {"2.5e9", -1}, {"1e9", 1000000000}, {"8200.5", 8200},
        {"", -1}, {"x", 0},
    };
    // clang-format on
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE("stored \"" + stored + "\"");
        EXPECT_EQ(store(stored).ReadIniLong("S", "k", -1), expected);
    }
}

TEST_F(StoredValue, BooleansKnowSevenWords) {
    struct Case {
        std::string stored;
        bool withFalseDefault;
        bool withTrueDefault;
    };
    const Case cases[] = {
        {"1", true, true},    {"-1", true, true},  {"on", true, true},    {"True", true, true},
        {"TRUE", true, true}, {"0", false, false}, {"off", false, false}, {"False", false, false},
        {"yes", false, true}, {"2", false, true},  {"", false, true},     {"1.0", false, true},
        {"onx", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("stored \"" + c.stored + "\"");
        EXPECT_EQ(store(c.stored).ReadIniBool("S", "k", false), c.withFalseDefault);
        EXPECT_EQ(store(c.stored).ReadIniBool("S", "k", true), c.withTrueDefault);
    }
}

TEST(IniDecode, DecodersSeeBlanksTheFileReaderKeeps) {
    // The file reader drops blanks around a value; text handed in directly keeps them.
    EXPECT_EQ(ini::decodeInt(" 12", 7), 12);
    EXPECT_EQ(ini::decodeInt("\t-3.5 ", 7), -4);
    EXPECT_EQ(ini::decodeLong("  ", 7), 0);
    EXPECT_TRUE(ini::decodeBool(" on", true));
    EXPECT_FALSE(ini::decodeBool(" on", false));
    EXPECT_FALSE(ini::decodeBool("on ", false));
    EXPECT_TRUE(ini::decodeBool("oN", false));
}

TEST_F(StoredValue, StringsAreCutTo255Characters) {
    const std::string long300(300, 'x');
    EXPECT_EQ(store(long300).ReadIniString("S", "k", "d"), std::string(255, 'x'));
    EXPECT_EQ(store("").ReadIniString("S", "k", "d"), "d");
    EXPECT_EQ(store(std::string("ab\0cd", 5)).ReadIniString("S", "k", "d"), "ab");
    EXPECT_EQ(store(std::string("\0cd", 3)).ReadIniString("S", "k", "d"), "d");
    // An umlaut is one character and is never split.
    const std::string path254 = std::string(254, 'a') + "\xC3\xBC";
    EXPECT_EQ(store(path254 + "b").ReadIniString("S", "k", ""), path254);
    EXPECT_EQ(store(std::string(255, 'a') + "\xC3\xBC").ReadIniString("S", "k", ""),
              std::string(255, 'a'));
}

TEST(IniStore, MissingFileGivesDefaults) {
    TempDir dir;
    const IniStore ini(dir.path() / "nowhere" / "VisualORV.Ini");
    EXPECT_EQ(ini.ReadIniInt("General", "Mode", 3), 3);
    EXPECT_EQ(ini.ReadIniLong("Winsock", "Port", 31222), 31222);
    EXPECT_TRUE(ini.ReadIniBool("Dialog", "Celsius", true));
    EXPECT_EQ(ini.ReadIniString("General", "Settings", "9600,n,8,1"), "9600,n,8,1");
}

TEST(IniStore, WritersStoreDecimalTextAndOneOrZero) {
    TempDir dir;
    IniStore ini(dir.file("VisualORV.Ini"));
    EXPECT_TRUE(ini.WriteIniBool("General", "Mode", true));
    EXPECT_EQ(ini.ReadIniInt("General", "Mode", 0), 1);
    EXPECT_TRUE(ini.WriteIniBool("Dialog", "TP", false));
    EXPECT_FALSE(ini.ReadIniBool("Dialog", "TP", true));
    EXPECT_TRUE(ini.WriteIniInt("MainWindow", "WindowState", -32768));
    EXPECT_TRUE(ini.WriteIniLong("Winsock", "Port", 65535));
    EXPECT_TRUE(ini.WriteIniString("Winsock", "IP", "192.168.1.20"));
    EXPECT_EQ(readFile(ini.path()), "[General]\nMode=1\n\n[Dialog]\nTP=0\n\n[MainWindow]\n"
                                    "WindowState=-32768\n\n[Winsock]\nPort=65535\n"
                                    "IP=192.168.1.20\n");
    EXPECT_EQ(ini.ReadIniInt("MainWindow", "WindowState", 0), -32768);
    EXPECT_EQ(ini.ReadIniLong("Winsock", "Port", 31222), 65535);
    // A 16-bit reader cannot hold the port; that is why the key is read as a long.
    EXPECT_EQ(ini.ReadIniInt("Winsock", "Port", 31222), 31222);
}

} // namespace
} // namespace orv
