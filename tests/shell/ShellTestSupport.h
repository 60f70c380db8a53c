#pragma once

// A whole live program per test: temporary settings folder, scripted prompts, every serial port
// mapped to a device file that does not exist, and helpers to wait for the event loop and to
// answer the modal dialogs of the start sequence.
#include "shell/Program.h"
#include "state/IniStore.h"
#include "state/SettingsKeys.h"
#include "support/QtWait.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

// orv-sim serving frames on a free loopback port (it prints the port it took), ended with the
// test. `args` add to the TCP server's options (rate, values, serial number, ...).
class Simulator {
public:
    explicit Simulator(const QStringList& args) {
        sim_.start(ORV_SIM_PATH, QStringList{"--tcp", "127.0.0.1:0"} + args);
        if (!sim_.waitForStarted(5000)) {
            return;
        }
        waitFor([&] {
            static const QRegularExpression listening("listening on 127\\.0\\.0\\.1:(\\d+)");
            const auto match = listening.match(QString::fromLocal8Bit(sim_.readAllStandardError()));
            if (match.hasMatch()) {
                port_ = match.captured(1).toInt();
            }
            return port_ != 0;
        });
    }
    ~Simulator() {
        sim_.terminate();
        sim_.waitForFinished(3000);
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // 0 when it did not start.
    [[nodiscard]] int port() const { return port_; }
    // Settings text for the network link to it, in `language`.
    [[nodiscard]] std::string ini(const std::string& language) const {
        return "[Main]\nLanguage=" + language +
               "\n[General]\nMode=1\n[Winsock]\nIP=127.0.0.1\nPort=" + std::to_string(port_) + "\n";
    }

private:
    QProcess sim_;
    int port_ = 0;
};

// `iniText` with every serial port mapped to a device below `dir` that does not exist, so no
// test ever opens a real serial port.
inline std::string withMissingPorts(const std::string& iniText, const std::filesystem::path& dir) {
    std::string text = iniText + "\n[PortMap]\n";
    for (int n = keys::FirstSerialPort; n <= keys::LastSerialPort; ++n) {
        text += keys::portMapKey(n) + "=" + (dir / ("tty" + std::to_string(n))).string() + "\n";
    }
    return text;
}

inline const QLocale kEnglishLocale(QLocale::English, QLocale::UnitedStates);
inline const QLocale kGermanLocale(QLocale::German, QLocale::Germany);

class ShellProgram {
    TempDir dir_;
    SettingsLocation location_;

public:
    // `iniText` is the settings file the program finds (the port map is appended to it);
    // `timings` shortens the link's timers; `clock`: null for the system clock.
    explicit ShellProgram(const std::string& iniText, const QLocale& locale = kEnglishLocale,
                          const LinkTimings& timings = {}, const Clock* clock = nullptr)
        : location_{(dir_.path() / "VisualORV").string() + "/",
                    (dir_.path() / "VisualORV" / "VisualORV.Ini").string()} {
        ensureSettingsFolder(location_);
        writeFile(location_.iniFile, withMissingPorts(iniText, dir_.path() / "no-such-dev"));

        ProgramOptions options;
        options.location = location_;
        options.locale = locale;
        options.timings = timings;
        options.localAddress = [] {
            return std::string("127.0.0.1");
        };
        options.prompts = &prompts;
        options.clock = clock;
        options.resolveDevice = [this](int n) {
            return (dir_.path() / "no-such-dev" / ("tty" + std::to_string(n))).string();
        };
        program = std::make_unique<Program>(std::move(options));
    }

    ~ShellProgram() {
        if (program && program->window->isVisible()) {
            program->app.LoggerActive = false;
            program->window->close();
        }
    }

    [[nodiscard]] frmMain& window() { return *program->window; }
    [[nodiscard]] ModMain& app() { return program->app; }
    [[nodiscard]] const SettingsLocation& location() const { return location_; }
    [[nodiscard]] IniStore store() const { return IniStore(location_.iniFile); }
    [[nodiscard]] std::string iniText() const { return readFile(location_.iniFile); }
    // Whether the prompts were asked exactly `text`.
    [[nodiscard]] bool asked(const std::string& text) const {
        for (const auto& a : prompts.asked) {
            if (a.text == text) {
                return true;
            }
        }
        return false;
    }

    ScriptedPrompts prompts;
    std::unique_ptr<Program> program;
};

// Cancels a modal dialog once its own event loop runs.
inline void rejectSoon(QWidget* modal) {
    QTimer::singleShot(30, modal, [modal] {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    });
}

// Watches for modal dialogs while the start sequence runs its own loops: records each one
// (object name, and whether the main window was visible then) and lets `answer` deal with it.
class ModalWatcher {
public:
    struct Seen {
        QString name;
        bool mainWindowVisible;
    };

    ModalWatcher(QWidget* mainWindow, std::function<void(QWidget*)> answer)
        : mainWindow_(mainWindow), answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }

    std::vector<Seen> seen;

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            last_ = nullptr;
            return;
        }
        if (modal == last_) {
            return;
        }
        last_ = modal;
        seen.push_back({modal->objectName(), mainWindow_->isVisible()});
        answer_(modal);
    }

    QWidget* mainWindow_;
    std::function<void(QWidget*)> answer_;
    QWidget* last_ = nullptr;
    QTimer timer_;
};

} // namespace orv::test
