// The main window's modal dialogs: the interface command, the port-not-supported report of the
// network link, and a termination request while a modal dialog is open.
#include "ShellTestSupport.h"

#include "core/FrameChecksum.h"
#include "link/LinkController.h"
#include "shell/Dialog.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

// The interface command rests the no-data supervision while its dialog is open and restarts it
// with either link, whether the dialog was confirmed or cancelled: a network sensor that stays
// connected but falls silent goes to "timeout" and its values are blanked.
TEST(MainWindowDialogs, InterfaceCommandRestartsTheNoDataSupervisionWithEitherLink) {
    const std::tuple<const char*, bool, bool> cases[] = {
        // name, network link, confirmed with OK (with no serial port OK only beeps)
        {"serial, cancelled", false, false},
        {"network, cancelled", true, false},
        {"network, confirmed", true, true},
    };
    const auto frame = buildFrame("@T;+23.4;H;45.6;");
    ASSERT_TRUE(frame);
    for (const auto& [name, network, confirmed] : cases) {
        SCOPED_TRACE(name);
        QTcpServer sensor; // parent of the accepted connections
        std::vector<QTcpSocket*> peers;
        ASSERT_TRUE(sensor.listen(QHostAddress::LocalHost, 0));
        std::string ini = "[Main]\nLanguage=eng\n";
        if (network) {
            ini += "[General]\nMode=1\n[Winsock]\nIP=127.0.0.1\nPort=" +
                   std::to_string(sensor.serverPort()) + "\n";
        }
        ShellProgram p(ini, test::kEnglishLocale,
                       {.timeoutMs = 150, .winsockMs = 300, .searchTickMs = 20});
        p.program->start();
        LinkController& link = p.program->link;
        ASSERT_TRUE(waitFor([&] { return !link.portTestRunning(); }));
        ASSERT_TRUE(link.tmrTimeout().isActive());

        bool supervisedWhileOpen = true;
        test::ModalWatcher watcher(&p.window(), [&](QWidget* modal) {
            supervisedWhileOpen = link.tmrTimeout().isActive();
            if (!confirmed) {
                test::rejectSoon(modal);
                return;
            }
            QTimer::singleShot(30, modal, [modal] {
                modal->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
            });
        });
        p.window().menus().mnuPort->trigger();
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].name, "dlgPort");
        EXPECT_FALSE(supervisedWhileOpen);
        EXPECT_TRUE(link.tmrTimeout().isActive()) << "the supervision runs again";
        EXPECT_TRUE(p.prompts.asked.empty());
        if (!network) {
            continue;
        }
        // The sensor speaks until its values are shown (over whichever connection stands now),
        // then falls silent.
        frmMain& w = p.window();
        ASSERT_TRUE(waitFor([&] {
            while (QTcpSocket* peer = sensor.nextPendingConnection()) {
                peers.push_back(peer);
            }
            for (QTcpSocket* peer : peers) {
                if (peer->state() == QAbstractSocket::ConnectedState) {
                    peer->write(frame->data(), static_cast<qint64>(frame->size()));
                }
            }
            return w.txtTemp()->text() == QStringLiteral("23.4 °C");
        }));
        ASSERT_TRUE(waitFor([&] { return w.sbrLogPanel(5)->text() == "timeout"; }, 3000));
        EXPECT_EQ(w.txtTemp()->text(), "--.-   ");
    }
}

// A termination request while the interface dialog is open cancels it and ends the program; the
// supervision the dialog restarted on its way out does not outlive the end.
TEST(MainWindowDialogs, TerminationRequestWhileTheInterfaceDialogIsOpenEndsTheProgram) {
    ShellProgram p("[Main]\nLanguage=eng\n[General]\nMode=1\n[Winsock]\nIP=127.0.0.1\n");
    p.program->start();
    frmMain& w = p.window();
    QSignalSpy ended(&w, &frmMain::programEnded);
    test::ModalWatcher watcher(
        &w, [&](QWidget* modal) { QTimer::singleShot(30, modal, [&w] { w.requestClose(); }); });
    w.menus().mnuPort->trigger();
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].name, "dlgPort");
    ASSERT_TRUE(ended.count() == 1 || ended.wait(2000));
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(p.program->link.tmrTimeout().isActive());
    EXPECT_EQ(readSetting(p.store(), keys::GeneralMode), 1) << "nothing of the dialog stored";
}

TEST(MainWindowDialogs, PortNotSupportedIsReportedThenTheInterfaceDialogOpens) {
    ShellProgram p("[Main]\nLanguage=de\n");
    p.program->start();
    test::ModalWatcher watcher(&p.window(), test::rejectSoon);
    emit p.program->link.portNotSupported();
    ASSERT_EQ(p.prompts.asked.size(), 1u);
    EXPECT_EQ(p.prompts.asked[0].title, "Fehler");
    EXPECT_EQ(p.prompts.asked[0].text, "Der angegebene Anschluß wird nicht unterstützt.");
    EXPECT_EQ(p.prompts.asked[0].icon, Prompts::Icon::Exclamation);
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].name, "dlgPort");
}

TEST(MainWindowDialogs, TerminationRequestCancelsAModalDialogAndEndsTheProgram) {
    ShellProgram p("[Main]\nLanguage=eng\n[Dialog]\nCelsius=1\n");
    p.program->start();
    frmMain& w = p.window();
    QSignalSpy ended(&w, &frmMain::programEnded);
    Dialog& settings = *w.displayDialog();
    QTimer::singleShot(0, &settings, [&] {
        settings.optTCF(2)->click(); // not confirmed: the close must count as Cancel
        w.requestClose();
    });
    w.menus().mnuMessw->trigger();
    ASSERT_TRUE(ended.count() == 1 || ended.wait(2000));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(p.app().measurement.settings().unit, TempUnit::Celsius);
    EXPECT_EQ(readSetting(p.store(), keys::MainLanguage), "eng");
}

} // namespace
} // namespace orv
