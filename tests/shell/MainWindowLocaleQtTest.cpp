// What users of a German or an English desktop see: the value boxes under the real system
// locales (in this process, and in the real program reading the simulated sensor), Qt's own
// dialog texts in the program's language, and where the separate windows appear.
#include "ShellTestSupport.h"

#include "core/SensorFrames.h"
#include "shell/HelpWindow.h"
#include "shell/QtTranslations.h"
#include "shell/Splash.h"
#include "support/CLocale.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTextBrowser>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

// A desktop locale as the C library and Qt know it.
struct Desktop {
    const char* cLocale;
    const char* qtLocale;
    bool german;
};
constexpr Desktop kGermanDesktop{"de_DE.UTF-8", "de_DE", true};
constexpr Desktop kEnglishDesktop{"en_US.UTF-8", "en_US", false};

// One sample as the main window must show it on a German and on an English desktop.
struct ValueCase {
    const char* name;
    const char* displayIni; // the [Dialog] section: unit and channel 2
    double temperature;     // °C, as the sensor sends it
    double humidity;
    const char* german[3]; // temperature, humidity, dew point boxes
    const char* english[3];
};

// clang-format off
const ValueCase kValueCases[] = {
    {"Celsius", "Celsius=1\nFahrenheit=0\nKelvin=0\n", 22.0, 45.3,
     {"22,0 °C", "45,3 %", "9,6  °C"}, {"22.0 °C", "45.3 %", "9.6  °C"}},
    {"Fahrenheit with a group separator", "Celsius=0\nFahrenheit=1\nKelvin=0\n", 555.0, 45.3,
     {"1.031,0 °F", "45,3 %", "841,0  °F"}, {"1,031.0 °F", "45.3 %", "841.0  °F"}},
    {"Kelvin", "Celsius=0\nFahrenheit=0\nKelvin=1\n", 22.35, 45.3,
     {"295,5 K", "45,3 %", "283,1  K"}, {"295.5 K", "45.3 %", "283.1  K"}},
};
// clang-format on

std::string frameOf(double temperature, double humidity) {
    SensorFrame frame;
    frame.layout = FrameLayout::F;
    frame.temperature.value = temperature;
    frame.humidity.value = humidity;
    return buildSensorFrame(frame, "\r\n");
}

std::string displayIni(const ValueCase& c) {
    return std::string("[Main]\nLanguage=eng\n[Dialog]\n") + c.displayIni;
}

// The C library in the desktop's locale, as QApplication sets it up there, and the main window
// given the same locale: every value box and the minimised title in that locale's format.
TEST(MainWindowLocale, ValueBoxesUnderTheRealDesktopLocales) {
    for (const Desktop& desktop : {kGermanDesktop, kEnglishDesktop}) {
        for (const ValueCase& c : kValueCases) {
            SCOPED_TRACE(std::string(desktop.cLocale) + ": " + c.name);
            const test::ScopedCLocale cLocale(desktop.cLocale);
            ASSERT_TRUE(cLocale.ok());
            const std::string frame = frameOf(c.temperature, c.humidity);
            ShellProgram p(displayIni(c), QLocale(QString::fromLatin1(desktop.qtLocale)));
            p.program->start();
            frmMain& w = p.window();
            w.showMinimized();
            ASSERT_TRUE(waitFor([&] { return w.isMinimized(); }));
            p.app().measurement.ParseFrame(frame);

            const char* const* expected = desktop.german ? c.german : c.english;
            EXPECT_EQ(w.txtTemp()->text().toStdString(), expected[0]);
            EXPECT_EQ(w.txtRH()->text().toStdString(), expected[1]);
            EXPECT_EQ(w.txtTp()->text().toStdString(), expected[2]);
            EXPECT_EQ(w.windowTitle().toStdString(),
                      " " + std::string(expected[0]) + " / " + expected[1]);
        }
    }
}

// Standard buttons and the file dialog speak the program's language, and switch with it.
TEST(MainWindowLocale, QtsOwnDialogTextsFollowTheLanguage) {
    ShellProgram p("[Main]\nLanguage=de\n");
    p.program->start();
    frmMain& w = p.window();
    EXPECT_TRUE(qtTranslationsInUse().endsWith("qtbase_de.qm"))
        << "Qt's German translations (package qt6-translations-l10n) are missing: "
        << qtTranslationsInUse().toStdString();

    const auto buttonTexts = [&] {
        QMessageBox box(&w);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QFileDialog files(&w);
        files.setOption(QFileDialog::DontUseNativeDialog);
        QDialogButtonBox* filesButtons = files.findChild<QDialogButtonBox*>();
        const QLabel* lookIn = files.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        return QStringList{
            box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
            box.button(QMessageBox::Cancel)->text(),
            filesButtons ? filesButtons->button(QDialogButtonBox::Cancel)->text() : QString(),
            lookIn ? lookIn->text() : QString()}
            .join(u'|')
            .toStdString();
    };
    const std::string german = "&Ja|&Nein|Abbrechen|Abbrechen|Suchen in:";
    const std::string english = "&Yes|&No|Cancel|Cancel|Look in:";
    EXPECT_EQ(buttonTexts(), german);
    w.menus().cmdUk->click();
    EXPECT_EQ(buttonTexts(), english);
    EXPECT_TRUE(qtTranslationsInUse().isEmpty());
    w.menus().cmdGer->click();
    EXPECT_EQ(buttonTexts(), german);
    w.menus().cmdUk->click();
}

// Without a web page in the build the about box offers the program's help; with one it opens it.
TEST(MainWindowLocale, AboutBoxButtonOpensTheHelpOrTheConfiguredPage) {
    ShellProgram p("[Main]\nLanguage=de\n");
    p.program->start();
    frmMain& w = p.window();
    w.setHelpFolder(QStringLiteral(ORV_SOURCE_DIR "/resources/help"));
    w.menus().mnuInfo->trigger();
    Splash* box = w.splash();
    ASSERT_TRUE(box && box->isVisible());

    box->setWebPage(QUrl());
    EXPECT_EQ(box->cmdWeb()->text(), "Hilfe anzeigen");
    box->cmdWeb()->click();
    ASSERT_TRUE(w.helpWindow() && w.helpWindow()->isVisible());
    EXPECT_EQ(w.helpWindow()->windowTitle(), "VisualORV Hilfe");
    EXPECT_TRUE(p.prompts.asked.empty());
    EXPECT_TRUE(box->isVisible()) << "the button leaves the box open";
    w.menus().cmdUk->click();
    EXPECT_EQ(box->cmdWeb()->text(), "Show help");

    // The web button goes to the system's URL handling; catch it instead of starting a browser.
    const QUrl page(QStringLiteral("https://visualorv.invalid/"));
    box->setWebPage(page);
    EXPECT_EQ(box->cmdWeb()->text(), "Visit website");
    QTextBrowser catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "setSource");
    box->cmdWeb()->click();
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_EQ(catcher.source(), page);
}

QPoint centreOf(const QWidget& window) {
    return window.frameGeometry().center();
}

bool near(const QPoint& a, const QPoint& b) {
    return (a - b).manhattanLength() <= 2;
}

// The first run's dialogs come before the main window is shown: centred on the screen, not over
// the hidden main window's place in the corner. Later windows are centred over the main window.
TEST(MainWindowLocale, SeparateWindowsAreCentred) {
    ShellProgram p("[MainWindow]\nWindowState=0\nLeft=0\nTop=0\nWidth=8500\nHeight=4600\n");
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    std::vector<std::pair<QString, bool>> centred;
    test::ModalWatcher watcher(&p.window(), [&](QWidget* modal) {
        centred.emplace_back(modal->objectName(),
                             waitFor([&] { return near(centreOf(*modal), screenCentre); }, 1000));
        if (modal->objectName() == "Splash") {
            modal->close();
        } else {
            test::rejectSoon(modal);
        }
    });
    p.program->start();
    const std::vector<std::pair<QString, bool>> firstRun{{"Splash", true}, {"dlgPort", true}};
    EXPECT_EQ(centred, firstRun);

    frmMain& w = p.window();
    // Somewhat off the screen's centre, with room around for the help window.
    QRect placed(QPoint(0, 0), QSize(600, 420));
    placed.moveCenter(screenCentre + QPoint(-12, 10));
    w.setGeometry(placed);
    ASSERT_TRUE(waitFor([&] { return w.isVisible() && w.geometry() == placed; }));
    w.setHelpFolder(QStringLiteral(ORV_SOURCE_DIR "/resources/help"));
    w.menus().mnuInfo->trigger();
    ASSERT_TRUE(w.splash());
    EXPECT_TRUE(waitFor([&] { return near(centreOf(*w.splash()), centreOf(w)); }))
        << "about box at " << centreOf(*w.splash()).x() << "," << centreOf(*w.splash()).y();
    w.menus().mnuHilfe->trigger();
    ASSERT_TRUE(w.helpWindow());
    EXPECT_TRUE(waitFor([&] { return near(centreOf(*w.helpWindow()), centreOf(w)); }))
        << "help window " << w.helpWindow()->frameGeometry().x() << ","
        << w.helpWindow()->frameGeometry().y() << " " << w.helpWindow()->width() << "x"
        << w.helpWindow()->height() << " over " << w.frameGeometry().x() << ","
        << w.frameGeometry().y() << " " << w.frameGeometry().width() << "x"
        << w.frameGeometry().height();
}

// A termination request while a first-run dialog is open cancels it and ends the start and the
// program normally.
TEST(MainWindowLocale, TerminationDuringTheFirstRunDialogsEndsTheProgram) {
    for (const char* dialog : {"Splash", "dlgPort"}) {
        SCOPED_TRACE(dialog);
        ShellProgram p("", test::kGermanLocale);
        frmMain& w = p.window();
        QSignalSpy ended(&w, &frmMain::programEnded);
        test::ModalWatcher watcher(&w, [&](QWidget* modal) {
            if (modal->objectName() == dialog) {
                QTimer::singleShot(20, &w, [&w] { w.requestClose(); });
            } else {
                modal->close();
            }
        });
        p.program->start();
        ASSERT_TRUE(ended.count() == 1 || ended.wait(3000));
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(readSetting(p.store(), keys::MainLanguage), "de");
    }
}

#ifdef ORV_VISUALORV_PATH

// The real program in a child process with its own settings folder.
class RealProgram {
public:
    RealProgram(const std::filesystem::path& dataHome, const char* lang) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MESSAGES", "LANGUAGE"}) {
            env.remove(name);
        }
        env.insert("LANG", lang);
        env.insert("XDG_DATA_HOME", QString::fromStdString(dataHome.string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ORV_VALUE_TEXTS", QString::fromStdString(valueFile_.file("values").string()));
        process_.setProcessEnvironment(env);
        process_.start(ORV_VISUALORV_PATH, {});
    }
    ~RealProgram() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    // The value boxes' texts, one line per change; the first line comes once the start is done.
    [[nodiscard]] QStringList valueLines() const {
        const std::filesystem::path file = valueFile_.file("values");
        if (!std::filesystem::exists(file)) {
            return {};
        }
        return QString::fromStdString(test::readFile(file)).split(u'\n', Qt::SkipEmptyParts);
    }
    [[nodiscard]] bool started() {
        return waitFor([&] { return !valueLines().isEmpty(); }, 10000);
    }
    // Sends the signal and waits for a normal end.
    ::testing::AssertionResult endsNormallyOn(int signalNumber) {
        ::kill(static_cast<pid_t>(process_.processId()), signalNumber);
        if (!process_.waitForFinished(8000)) {
            return ::testing::AssertionFailure() << "still running after signal " << signalNumber;
        }
        if (process_.exitStatus() != QProcess::NormalExit || process_.exitCode() != 0) {
            return ::testing::AssertionFailure() << "exit " << process_.exitCode() << ": "
                                                 << process_.readAllStandardError().toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    QProcess process_;

private:
    test::TempDir valueFile_;
};

// A loopback port nobody listens on: connecting is refused at once.
int closedLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

std::filesystem::path settingsFolderWith(const test::TempDir& home, const std::string& ini) {
    const std::filesystem::path folder = home.path() / "VisualORV";
    std::filesystem::create_directories(folder);
    test::writeFile(folder / "VisualORV.Ini", test::withMissingPorts(ini, home.path() / "none"));
    return folder;
}

// The real program under each real desktop locale, reading the simulated sensor on loopback.
TEST(MainWindowLocale, RealProgramShowsTheSimulatorsValuesInTheDesktopsFormat) {
    for (const ValueCase& c : {kValueCases[0], kValueCases[1]}) {
        test::Simulator sim({"--rate", "10", "--temp", QString::number(c.temperature), "--rh",
                             QString::number(c.humidity)});
        ASSERT_NE(sim.port(), 0);
        const int port = sim.port();
        for (const Desktop& desktop : {kGermanDesktop, kEnglishDesktop}) {
            SCOPED_TRACE(std::string(desktop.cLocale) + ": " + c.name);
            test::TempDir home;
            settingsFolderWith(home, displayIni(c) +
                                         "[General]\nMode=1\n[Winsock]\nIP=127.0.0.1\n"
                                         "Port=" +
                                         std::to_string(port) + "\n");
            RealProgram program(home.path(), desktop.cLocale);
            ASSERT_TRUE(program.started()) << program.process_.readAllStandardError().toStdString();
            const char* const* expected = desktop.german ? c.german : c.english;
            const QString wanted = QString::fromUtf8(expected[0]) + u'\t' +
                                   QString::fromUtf8(expected[1]) + u'\t' +
                                   QString::fromUtf8(expected[2]);
            EXPECT_TRUE(waitFor([&] { return program.valueLines().contains(wanted); }))
                << "shown: " << program.valueLines().join(" | ").toStdString();
            EXPECT_TRUE(program.endsNormallyOn(SIGTERM));
        }
    }
}

// A second copy asked to end must not wait on its "another instance" message; the first copy
// ends normally too and keeps the shared settings its own.
TEST(MainWindowLocale, RealSecondCopyEndsOnATerminationSignal) {
    test::TempDir home;
    // Network mode on a closed port: no port search writes the crash marker meanwhile.
    const std::filesystem::path folder = settingsFolderWith(
        home, "[Main]\nLanguage=de\n[General]\nMode=1\n[Winsock]\nIP=127.0.0.1\nPort=" +
                  std::to_string(closedLoopbackPort()) + "\n");
    RealProgram first(home.path(), kGermanDesktop.cLocale);
    ASSERT_TRUE(first.started());
    RealProgram second(home.path(), kGermanDesktop.cLocale);
    ASSERT_TRUE(second.started());

    EXPECT_TRUE(second.endsNormallyOn(SIGTERM));
    const IniStore afterSecond((folder / "VisualORV.Ini").string());
    EXPECT_EQ(afterSecond.ReadIniString("General", "CrashPort", "missing"), "0");
    EXPECT_EQ(afterSecond.ReadIniString("MainWindow", "Width", "missing"), "missing")
        << "the second copy saves no shared keys";
    EXPECT_EQ(first.process_.state(), QProcess::Running);

    EXPECT_TRUE(first.endsNormallyOn(SIGINT));
    const IniStore afterFirst((folder / "VisualORV.Ini").string());
    EXPECT_EQ(readSetting(afterFirst, keys::MainLanguage), "de");
    EXPECT_NE(afterFirst.ReadIniString("MainWindow", "Width", "missing"), "missing")
        << "the first copy saves its placement";
}

#endif

} // namespace
} // namespace orv
