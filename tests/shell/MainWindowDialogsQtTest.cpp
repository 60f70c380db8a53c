// The main window's modal dialogs: the interface command, the port-not-supported report of the
// network link, and a termination request while a modal dialog is open.
#include "ShellTestSupport.h"

#include "link/LinkController.h"
#include "shell/Dialog.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ShellProgram;
using test::waitFor;

TEST(MainWindowDialogs, InterfaceCommandPausesTheNoDataSupervision) {
    ShellProgram p("[Main]\nLanguage=eng\n");
    p.program->start();
    LinkController& link = p.program->link;
    ASSERT_TRUE(waitFor([&] { return !link.portTestRunning(); }));
    ASSERT_TRUE(link.tmrTimeout().isActive());

    bool supervisedWhileOpen = true;
    test::ModalWatcher watcher(&p.window(), [&](QWidget* modal) {
        supervisedWhileOpen = link.tmrTimeout().isActive();
        test::rejectSoon(modal);
    });
    p.window().menus().mnuPort->trigger();
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].name, "dlgPort");
    EXPECT_FALSE(supervisedWhileOpen);
    EXPECT_TRUE(link.tmrTimeout().isActive()) << "serial link: supervision runs again";
    EXPECT_TRUE(p.prompts.asked.empty());
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

TEST(MainWindowDialogs, TerminationRequestWhileRecordingIsRefusedLikeAUserClose) {
    ShellProgram p("[Main]\nLanguage=eng\n");
    p.program->start();
    frmMain& w = p.window();
    QSignalSpy ended(&w, &frmMain::programEnded);
    p.app().LoggerActive = true;
    w.requestClose();
    ASSERT_TRUE(waitFor([&] { return !p.prompts.asked.empty(); }));
    EXPECT_EQ(p.prompts.asked[0].text, "Datalogger still active!");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ended.count(), 0);

    // The program goes on: a dialog opened now waits for its user again.
    QDialog later(&w);
    QTimer::singleShot(300, &later, &QDialog::accept);
    EXPECT_EQ(later.exec(), QDialog::Accepted);
}

} // namespace
} // namespace orv
