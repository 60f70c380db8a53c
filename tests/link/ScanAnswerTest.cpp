#include "link/ScanAnswer.h"
#include "link/PortChoice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

const std::string kLongFrame = "@T;+023.45;C;F;045.67;%;S/N;SIM00042;5C\r\n";

TEST(ScanAnswers, CollectsPerSocketUntilCrLf) {
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        std::vector<int> completesAfter; // 0-based piece indices that complete an answer
        std::string answer;              // the last answer
    };
    const Case cases[] = {
        {"whole frame", {kLongFrame}, {0}, kLongFrame},
        {"two pieces", {"@T;+023.45;C;F;045.67;", "%;S/N;SIM00042;5C\r\n"}, {1}, kLongFrame},
        {"star ignored",
         {"@T;+023.45;C;F;", "*", "045.67;%;S/N;SIM00042;5C\r\n"},
         {2},
         "@T;+023.45;C;F;045.67;%;S/N;SIM00042;5C\r\n"},
        {"text before any @ dropped",
         {"junk;", "@T;+23.4;", "H;45.6;B8\r\n"},
         {2},
         "@T;+23.4;H;45.6;B8\r\n"},
        {"new @ replaces", {"@T;+2", "@T;+23.4;H;45.6;B8\r\n"}, {1}, "@T;+23.4;H;45.6;B8\r\n"},
        {"CR alone is no end", {"@T;+23.4;H;45.6;B8\r", "\n"}, {1}, "@T;+23.4;H;45.6;B8\r\n"},
        {"never an @", {"T;+23.4;H;45.6;B8\r\n"}, {}, ""},
    };
    for (const auto& c : cases) {
        ScanAnswers answers;
        std::string last;
        std::vector<int> completed;
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            if (auto a = answers.collect(3, c.pieces[i])) {
                completed.push_back(static_cast<int>(i));
                last = *a;
            }
        }
        EXPECT_EQ(completed, c.completesAfter) << c.name;
        EXPECT_EQ(last, c.answer) << c.name;
        EXPECT_TRUE(answers.collected(3).empty()) << c.name;
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
    struct Case {
        std::string answer;
        std::string serial;
    };
    const Case cases[] = {
        {kLongFrame, "SIM00042"},
        {"@T;+023.45;C;F;045.67;%;S/N;AB\r\n", "AB"},
        {"@T;+023.45;C;F;045.67;%;S/N;\r\n", ""},
        {"@T;+23.4;H;45.6;B8\r\n", ""},
        {"@T;+023.45;C;F;045.67;%;S/N;ABCDEFGHIJ\r\n", "ABCDEFGH"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(serialNumberOf(c.answer), c.serial) << c.answer;
    }
}

TEST(ScanAddress, SplitIpAndNetPrefix) {
    struct Case {
        const char* local;
        const char* prefix; // nullptr: not a dotted IPv4 address
    };
    const Case cases[] = {
        {"192.168.1.20", "192.168.1."}, {"127.0.0.1", "127.0.0."},
        {"10.0.255.254", "10.0.255."},  {"", nullptr},
        {"192.168.1", nullptr},         {"192.168.1.20.5", nullptr},
        {"192.168.1.256", nullptr},     {"192.168..20", nullptr},
        {"fe80::1", nullptr},           {"a.b.c.d", nullptr},
        {"1920.1.1.1", nullptr},
    };
    for (const auto& c : cases) {
        const auto prefix = NetPrefix(c.local);
        if (c.prefix == nullptr) {
            EXPECT_FALSE(prefix) << c.local;
        } else {
            ASSERT_TRUE(prefix) << c.local;
            EXPECT_EQ(*prefix, c.prefix);
        }
    }
}

TEST(ScanHostNames, LookupResultAndAdoption) {
    EXPECT_EQ(hostNameColumn("sensor-a.lab.example", "127.0.0.5"), "sensor-a.lab.example");
    EXPECT_EQ(hostNameColumn("", "127.0.0.5"), kHostNameUnavailable);
    EXPECT_EQ(hostNameColumn("127.0.0.5", "127.0.0.5"), kHostNameUnavailable);
    EXPECT_EQ(hostNameColumn(std::string(300, 'h'), "1.2.3.4").size(), kMaxHostNameLength);

    struct Case {
        const char* host;
        const char* ip;
        const char* adopted;
    };
    const Case cases[] = {
        {"sensor-a.lab.example", "127.0.0.5", "sensor-a"},
        {"sensor", "127.0.0.5", "sensor"},
        {"<nicht verfügbar>", "127.0.0.9", "127.0.0.9"},
        {"", "127.0.0.9", "127.0.0.9"}, // lookup still under way
        {".hidden", "127.0.0.9", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(adoptedAddress(c.host, c.ip), c.adopted) << c.host;
    }
}

TEST(PortChoiceRules, PortBoxText) {
    struct Case {
        const char* text;
        PortChoice::Kind kind;
        int port;
    };
    const Case cases[] = {
        {"-", PortChoice::Kind::None, 0},     {"auto", PortChoice::Kind::Auto, 0},
        {"Com3", PortChoice::Kind::Port, 3},  {"Com12", PortChoice::Kind::Port, 12},
        {"COM 7", PortChoice::Kind::Port, 7}, {"", PortChoice::Kind::Port, 0},
        {"Auto", PortChoice::Kind::Port, 0},  {"Com5  (/dev/ttyUSB0)", PortChoice::Kind::Port, 5},
    };
    for (const auto& c : cases) {
        const PortChoice choice = choosePort(c.text);
        EXPECT_EQ(choice.kind, c.kind) << c.text;
        EXPECT_EQ(choice.port, c.port) << c.text;
    }
}

TEST(PortChoiceRules, TcpPortText) {
    struct Case {
        const char* text;
        std::int32_t port; // 0: refused
    };
    const Case cases[] = {
        {"31222", 31222},   {"  8080", 8080}, {"65535", 65535}, {"40000", 40000},  {"1", 1},
        {"502.4", 502},     {"502.5", 502},   {"503.5", 504},   {"31222x", 31222}, {"0", 0},
        {"65536", 0},       {"70000", 0},     {"-1", 0},        {"", 0},           {"abc", 0},
        {"99999999999", 0}, {"3e4", 3},       {"+80", 80},      {"-0.4", 0},       {".5", 0},
    };
    for (const auto& c : cases) {
        const auto port = tcpPortFromText(c.text);
        if (c.port == 0) {
            EXPECT_FALSE(port) << c.text;
        } else {
            ASSERT_TRUE(port) << c.text;
            EXPECT_EQ(*port, c.port) << c.text;
        }
    }
}

} // namespace
} // namespace orv
