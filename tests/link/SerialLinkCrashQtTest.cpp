// The crash marker of the port test: a run that dies while it opens a port leaves the port's
// number in the settings, and the next port test asks whether to keep using that port.

#include "LinkTestSupport.h"

#include <QCoreApplication>
#include <QProcessEnvironment>

#include <csignal>
#include <unistd.h>

namespace orv {
namespace {

using test::LinkRig;
using test::Sim;

constexpr const char* kCrashIniVariable = "ORV_LINK_CRASH_INI";

// Not a test of its own: the child process of the test below. It runs a port test on the given
// settings file and dies the hard way while port 3 is open, as a crash inside the port driver
// would take the program down.
TEST(SerialLinkCrashChild, DiesWhileOpeningPort3) {
    const QString iniPath = qEnvironmentVariable(kCrashIniVariable);
    if (iniPath.isEmpty()) {
        GTEST_SKIP() << "runs only as the child of SerialLinkCrash";
    }
    LinkRig rig({.iniPath = iniPath});
    QObject::connect(rig.link.get(), &LinkController::statusChanged, [](const QString& s) {
        if (s == "check... (COM 3)") {
            ::kill(::getpid(), SIGKILL);
        }
    });
    rig.link->PortTest();
    test::waitFor([] { return false; }, 5000);
    FAIL() << "the port test went past port 3";
}

using SerialLinkCrash = test::SocatTest;

TEST_F(SerialLinkCrash, MarkerLeftByAKilledRunIsOfferedForExclusion) {
    test::AppState setup; // the settings file and port map that every run below shares
    const QString iniPath = QString::fromStdString(setup.ini.path().string());
    const QString far3 = setup.ptyPort(3).deviceB();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kCrashIniVariable, iniPath);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=SerialLinkCrashChild.DiesWhileOpeningPort3"});
    ASSERT_TRUE(child.waitForFinished(20000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(readSetting(setup.ini, keys::GeneralCrashPort), 3);

    Sim sensor;
    ASSERT_TRUE(sensor.serial(far3));

    struct Case {
        bool DecimalComma;
        Prompts::Answer answer;
        const char* question;
        const char* PortTestAfter;
        bool found;
    };
    const Case cases[] = {
        {true, Prompts::Answer::No,
         "Das Programm wurde beim Öffnen von COM 3 unerwartet beendet. Soll dieser Port "
         "weiterhin verwendet werden?",
         "!3!", false},
        {false, Prompts::Answer::Yes, "The application is crashed while COM 3 was opened. Retry?",
         "!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        LinkRig rig({.iniPath = iniPath});
        writeSetting(rig.ini, keys::GeneralPortTest, "!");
        writeSetting(rig.ini, keys::GeneralCrashPort, std::int16_t{3}); // as the child left it
        rig.app.measurement.settings().DecimalComma = c.DecimalComma;
        rig.prompts.answers = {c.answer};

        EXPECT_EQ(rig.runPortTest(), c.found);
        ASSERT_EQ(rig.prompts.asked.size(), 1U);
        EXPECT_EQ(rig.prompts.asked[0].title, "VisualORV");
        EXPECT_EQ(rig.prompts.asked[0].text, c.question);
        EXPECT_EQ(rig.prompts.asked[0].buttons, Prompts::Buttons::YesNo);
        EXPECT_EQ(readSetting(rig.ini, keys::GeneralPortTest), c.PortTestAfter);
        EXPECT_EQ(readSetting(rig.ini, keys::GeneralCrashPort), 0);
        EXPECT_EQ(rig.sawStatus("check... (COM 3)"), c.found);
        EXPECT_EQ(rig.statuses.back(), c.found ? "COM 3 online" : "offline");

        // The next start asks nothing; an excluded port stays out of the test for good.
        rig.statuses.clear();
        rig.link->PortTest();
        ASSERT_TRUE(test::waitFor([&] { return rig.finished.size() == 2; }, 8000));
        EXPECT_EQ(rig.prompts.asked.size(), 1U);
        EXPECT_EQ(rig.sawStatus("check... (COM 3)"), c.found);
        EXPECT_EQ(rig.finished.back(), c.found);
    }
}

} // namespace
} // namespace orv
