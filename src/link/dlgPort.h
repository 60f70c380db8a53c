#pragma once

#include "link/frmAutoScan.h"
#include "link/PortChoice.h"
#include "platform/Prompts.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orv {

class LinkController;
class ModMain;
class QtSerialPort;

// The interface dialog: serial port (a listed one, or "auto" for the automatic search) or the
// network (sensor address and TCP port, with a scan for sensors). OK applies the choice at once
// and stores it; Cancel leaves link and settings alone. Opened modally by the main window.
class dlgPort final : public QDialog {
    Q_OBJECT
public:
    dlgPort(ModMain& app, LinkController& link, Prompts& prompts,
            std::function<std::string()> localAddress, QWidget* parent = nullptr);
    ~dlgPort() override;

    // Rebuilds the port list from the ports 1..16 that can be opened now. The port the live
    // link holds open is listed without being touched; PortTest<n> = false keeps port n out.
    void PortTest();

    // Timers and host lookup of the scan window this dialog opens (tests shorten them).
    void setScanOptions(ScanOptions options) { scanOptions_ = std::move(options); }

    [[nodiscard]] QRadioButton& Option1(int index) { return *option1_[index == 0 ? 0 : 1]; }
    [[nodiscard]] QComboBox& cboPort() { return *cboPort_; }
    [[nodiscard]] QLineEdit& txtRemIP() { return *txtRemIP_; }
    [[nodiscard]] QLineEdit& txtPort() { return *txtPort_; }
    [[nodiscard]] QPushButton& cmdScan() { return *cmdScan_; }
    [[nodiscard]] QPushButton& OKButton() { return *okButton_; }
    [[nodiscard]] QPushButton& CancelButton() { return *cancelButton_; }
    [[nodiscard]] QGroupBox& Frame1() { return *frame1_; }
    // The scan window while it is open.
    [[nodiscard]] frmAutoScan* scanWindow() const { return scan_.data(); }
    // OK or Cancel was given and the dialog waits for a port search (or the scan's teardown)
    // to end before it closes.
    [[nodiscard]] bool closePending() const { return waiting_ != Waiting::Nothing; }

protected:
    bool event(QEvent* event) override;
    // Opening runs the port list test once and rests the no-data supervision; closing, whichever
    // way, restarts it.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // The close box and Escape act as Cancel.
    void reject() override;

private:
    enum class Waiting {
        Nothing,
        SearchToStopThenApply, // OK while a search ran: it is cancelled, then the choice applied
        OwnSearch,             // OK with "auto": the search runs, then the choice is stored
        SearchToStopThenClose, // Cancel while a search ran
    };

    void buildWindow();
    void Form_Load();
    void Form_Activate();
    void Option1_Click(int index);
    void OKButton_Click();
    void CancelButton_Click();
    void cmdScan_Click();
    void onPortTestFinished();

    void applyChoice();
    void applySerial(const PortChoice& choice);
    void finishSerial();
    void applyNetwork();
    void storeModeAndClose();
    void waitFor(Waiting what);
    // Ends the dialog once no scan teardown is busy.
    void finishClose(int result);
    [[nodiscard]] std::string portBoxText() const;
    void showError(int germanId, Prompts::Icon icon);
    // Refuses a TCP port text that is not a port 1..65535 with a message naming the range.
    [[nodiscard]] std::optional<std::int32_t> tcpPortOrMessage();

    ModMain& app_;
    LinkController& link_;
    Prompts& prompts_;
    std::function<std::string()> localAddress_;
    ScanOptions scanOptions_;
    // Tests ports for the list without disturbing the live link's port.
    std::unique_ptr<QtSerialPort> probe_;

    QGroupBox* frame1_ = nullptr;
    std::array<QRadioButton*, 2> option1_{};
    QComboBox* cboPort_ = nullptr;
    QLineEdit* txtRemIP_ = nullptr;
    QLineEdit* txtPort_ = nullptr;
    QPushButton* cmdScan_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::array<QLabel*, 3> labels_{};
    QPointer<frmAutoScan> scan_;

    Waiting waiting_ = Waiting::Nothing;
    bool finishing_ = false;
    bool supervisionPaused_ = false;
    // Another window of this program took the activation from the dialog (the scan window, a
    // message): the port list is tested again when the dialog is active again. Coming back
    // from another application tests nothing: every test opens each free port and toggles DTR.
    bool ownWindowOver_ = false;
};

} // namespace orv
