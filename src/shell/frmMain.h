#pragma once

#include "core/MeasurementObserver.h"
#include "shell/Dialog.h"
#include "shell/HelpWindow.h"
#include "shell/MainMenus.h"
#include "shell/Splash.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QMdiArea;
class QStatusBar;

namespace orv {

class AlarmMonitor;
class DiagramWindows;
class LinkController;
class LiveWindows;
class LivePublisher;
class DialogWatch;
class RecordingCommands;
class ModMain;
class Prompts;
class SingleInstance;

// The main window: a multiple-document window with the menus and toolbar, the language buttons,
// the value boxes, the network status line and the five-panel status bar. It lives for the whole
// run and wires the parts together; the start and shutdown sequences, the language switch and
// the placement rules live in their own files.
class frmMain final : public QMainWindow, public MeasurementObserver {
    Q_OBJECT
public:
    frmMain(ModMain& app, LinkController& link, Prompts& prompts,
            std::function<std::string()> localAddress, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start sequence: settings, language (with the first-run dialogs), display settings,
    // showing the window, opening the link.
    void Form_Load();

    // --- parts other code and tests reach --------------------------------------------------
    [[nodiscard]] ModMain& app() { return app_; }
    [[nodiscard]] LinkController& link() { return link_; }
    [[nodiscard]] Prompts& prompts() { return prompts_; }
    [[nodiscard]] MainMenus& menus() { return menus_; }
    [[nodiscard]] QMdiArea* mdiArea() const { return mdi_; }
    [[nodiscard]] QLineEdit* txtTemp() const { return txtTemp_; }
    [[nodiscard]] QLineEdit* txtRH() const { return txtRH_; }
    [[nodiscard]] QLineEdit* txtTp() const { return txtTp_; }
    [[nodiscard]] QLineEdit* txtWinsock() const { return txtWinsock_; }
    [[nodiscard]] QStatusBar* sbrLog() const;
    // Panel 1..5 of the status bar.
    [[nodiscard]] QLabel* sbrLogPanel(int panel) const;
    [[nodiscard]] Dialog* displayDialog() const { return dialog_; }
    [[nodiscard]] Splash* splash() const { return splash_; }
    [[nodiscard]] HelpWindow* helpWindow() const { return help_; }
    [[nodiscard]] RecordingCommands& recording() const { return *recording_; }
    // The offline diagram windows and their shared data window.
    [[nodiscard]] DiagramWindows& diagrams() const { return *diagrams_; }
    [[nodiscard]] LiveWindows* liveWindows() const { return live_; }
    [[nodiscard]] LivePublisher* livePublisher() const { return mqtt_; }
    [[nodiscard]] AlarmMonitor& alarms() const { return *alarms_; }

    // The folder holding the help files; the executable's folder unless set.
    void setHelpFolder(const QString& folder) { helpFolder_ = folder; }
    [[nodiscard]] const QString& helpFolder() const { return helpFolder_; }

    // The single-instance lock, taken by the start sequence and held until the program ends.
    void setInstanceLock(std::unique_ptr<SingleInstance> lock);

    // The first-run about box: shown modally, closing itself after three seconds.
    void showFirstRunSplash();
    // The interface dialog, modal, owned by this window.
    void showInterfaceDialog();
    // The display settings dialog, created hidden by the start sequence.
    void loadDisplayDialog();

    // --- commands --------------------------------------------------------------------------
    void mnuMessw_Click();
    void mnuPort_Click();
    void mnuReset_Click();
    void mnuMqtt_Click();
    void mnuHilfe_Click();
    void mnuInfo_Click();
    void mnuWSet_Click();
    void mnuWMainSet_Click();
    void cmdGer_Click();
    void cmdUk_Click();

    // SIGTERM/SIGINT: every modal dialog or message, open now or shown by the shutdown, is
    // cancelled, then the window closes as if the user closed it (refused while recording,
    // like a user's close).
    void requestClose();

    // The title without values: "VisualORV V3.1".
    [[nodiscard]] static QString productTitle();

signals:
    // The shutdown sequence has run to its end; main() ends the event loop.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // MeasurementObserver
    void valueBoxChanged(ValueBox box, const std::string& text) override;
    void statusChanged(const std::string& text) override;
    void minimizedCaptionChanged(const std::string& text) override;
    void onlineLabelChanged(int index, const std::string& text) override;
    void onlineCaptionChanged(const std::string& text) override;
    void monitorTextChanged(const std::string& text) override;
    void beep() override;
    void sampleStored() override;

private:
    void buildWindow();
    void connectLink();
    void setBusy(bool busy);
    void Form_Resize();
    void showAlarmColours();

    ModMain& app_;
    LinkController& link_;
    Prompts& prompts_;
    std::function<std::string()> localAddress_;

    MainMenus menus_;
    QMdiArea* mdi_ = nullptr;
    QLineEdit* txtTemp_ = nullptr;
    QLineEdit* txtRH_ = nullptr;
    QLineEdit* txtTp_ = nullptr;
    QLineEdit* txtWinsock_ = nullptr;
    std::array<QLabel*, 6> panels_{}; // 1..5
    QPointer<Dialog> dialog_;
    QPointer<Splash> splash_;
    QPointer<HelpWindow> help_;
    DialogWatch* dialogWatch_ = nullptr;
    RecordingCommands* recording_ = nullptr;
    DiagramWindows* diagrams_ = nullptr;
    LiveWindows* live_ = nullptr;
    LivePublisher* mqtt_ = nullptr;
    AlarmMonitor* alarms_ = nullptr;
    QString helpFolder_;
    std::unique_ptr<SingleInstance> instanceLock_;
    bool busy_ = false;
    bool loaded_ = false;
    bool closeRequested_ = false;
    bool ended_ = false;
};

} // namespace orv
