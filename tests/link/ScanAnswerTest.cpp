#include "link/ScanAnswer.h"
#include "link/PortChoice.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace orv {
namespace {

const std::string kLongFrame = "@T;+023.45;C;F;045.67;%;S/N;SIM00042;5C\r\n";
const std::string kShortFrame = "@T;+23.4;H;45.6;B8\r\n";

TEST(ScanAnswers, CollectsPerSocketUntilCrLf) {
    // The pieces arriving on one socket, the indices of the pieces that complete an answer, and
    // the last answer.
    const std::tuple<const char*, std::vector<std::string>, std::vector<int>, std::string> cases[] =
        {
            {"whole frame", {kLongFrame}, {0}, kLongFrame},
            {"two pieces", {"@T;+023.45;C;F;045.67;", "%;S/N;SIM00042;5C\r\n"}, {1}, kLongFrame},
            {"star ignored",
             {"@T;+023.45;C;F;", "*", "045.67;%;S/N;SIM00042;5C\r\n"},
             {2},
             kLongFrame},
            {"text before any @ dropped",
             {"junk;", "@T;+23.4;", "H;45.6;B8\r\n"},
             {2},
             kShortFrame},
            {"new @ replaces", {"@T;+2", kShortFrame}, {1}, kShortFrame},
            {"CR alone is no end", {"@T;+23.4;H;45.6;B8\r", "\n"}, {1}, kShortFrame},
            {"never an @", {"T;+23.4;H;45.6;B8\r\n"}, {}, ""},
        };
    for (const auto& [name, pieces, completesAfter, answer] : cases) {
        ScanAnswers answers;
        std::string last;
        std::vector<int> completed;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (auto a = answers.collect(3, pieces[i])) {
                completed.push_back(static_cast<int>(i));
                last = *a;
            }
        }
        EXPECT_EQ(completed, completesAfter) << name;
        EXPECT_EQ(last, answer) << name;
        EXPECT_TRUE(answers.collected(3).empty()) << name;
    }
}

TEST(ScanAnswers, SocketsDoNotMixAndRunawayTextIsDropped) {
    ScanAnswers answers;
    EXPECT_FALSE(answers.collect(1, "@T;+023.45;C;F;045.67;%;S/N;"));
    EXPECT_FALSE(answers.collect(2, "@T;+11.1;"));
    const auto one = answers.collect(1, "SIM00001;5C\r\n");
    ASSERT_TRUE(one);
    EXPECT_EQ(serialNumberOf(*one), "SIM00001");
    EXPECT_EQ(answers.collected(2), "@T;+11.1;");
    answers.clear(2);
    EXPECT_TRUE(answers.collected(2).empty());
    EXPECT_FALSE(answers.collect(99, kLongFrame)); // no such socket: ignored, no crash

    // A host streaming "@" text without ever ending a line does not grow the buffer for ever.
    std::string flood(100, 'x');
    EXPECT_FALSE(answers.collect(4, "@"));
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(answers.collect(4, flood));
        EXPECT_LE(answers.collected(4).size(), ScanAnswers::kMaxCollected + flood.size());
    }
}

TEST(ScanAnswers, SerialNumberFromPosition29) {
    const std::tuple<std::string, std::string> cases[] = {
        {kLongFrame, "SIM00042"},
        {"@T;+023.45;C;F;045.67;%;S/N;AB\r\n", "AB"},
        {"@T;+023.45;C;F;045.67;%;S/N;\r\n", ""},
        {kShortFrame, ""},
        {"@T;+023.45;C;F;045.67;%;S/N;ABCDEFGHIJ\r\n", "ABCDEFGH"},
    };
    for (const auto& [answer, serial] : cases) {
        EXPECT_EQ(serialNumberOf(answer), serial) << answer;
    }
}

TEST(ScanAddress, NetPrefixOfDottedIPv4Only) {
    const std::tuple<const char*, const char*> cases[] = {
        {"192.168.1.20", "192.168.1."},
        {"127.0.0.1", "127.0.0."},
        {"10.0.255.254", "10.0.255."},
        {"", ""},
        {"192.168.1", ""},
        {"192.168.1.20.5", ""},
        {"192.168.1.256", ""},
        {"192.168..20", ""},
        {"fe80::1", ""},
        {"a.b.c.d", ""},
        {"1920.1.1.1", ""},
    };
    for (const auto& [local, prefix] : cases) {
        EXPECT_EQ(NetPrefix(local).value_or(""), prefix) << local; // "": none
    }
}

// Looked-up names and adoption of found and missing names are seen through the scan window.
TEST(ScanHostNames, LookupResultAndAdoption) {
    EXPECT_EQ(hostNameColumn("127.0.0.5", "127.0.0.5"), kHostNameUnavailable);
    EXPECT_EQ(hostNameColumn(std::string(300, 'h'), "1.2.3.4").size(), kMaxHostNameLength);

    EXPECT_EQ(adoptedAddress("sensor", "127.0.0.5"), "sensor");
    EXPECT_EQ(adoptedAddress(".hidden", "127.0.0.9"), "");
}

TEST(PortChoiceRules, PortBoxText) {
    using enum PortChoice::Kind;
    const std::tuple<const char*, PortChoice::Kind, int> cases[] = {
        {"-", None, 0},     {"auto", Auto, 0}, {"Com3", Port, 3}, {"Com12", Port, 12},
        {"COM 7", Port, 7}, {"", Port, 0},     {"Auto", Port, 0}, {"Com5  (/dev/ttyUSB0)", Port, 5},
    };
    for (const auto& [text, kind, port] : cases) {
        EXPECT_EQ(choosePort(text).kind, kind) << text;
        EXPECT_EQ(choosePort(text).port, port) << text;
    }
}

TEST(PortChoiceRules, TcpPortText) {
    const std::tuple<const char*, std::int32_t> cases[] = {
        {"31222", 31222},   {"  8080", 8080}, {"65535", 65535}, {"40000", 40000},  {"1", 1},
        {"502.4", 502},     {"502.5", 502},   {"503.5", 504},   {"31222x", 31222}, {"0", 0},
        {"65536", 0},       {"70000", 0},     {"-1", 0},        {"", 0},           {"abc", 0},
        {"99999999999", 0}, {"3e4", 3},       {"+80", 80},      {"-0.4", 0},       {".5", 0},
    };
    for (const auto& [text, port] : cases) {
        EXPECT_EQ(tcpPortFromText(text).value_or(0), port) << text; // 0: refused
    }
}

} // namespace
} // namespace orv
