#pragma once

#include <QDialog>

#include <array>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace orv {

class ModMain;

// The display settings dialog: temperature unit and what channel 2 shows. It is created hidden
// at start and lives for the whole run; its options are the program's current display settings,
// which it keeps in the measurement's settings. OK stores them, Cancel goes back to the stored
// state (not to the state at opening: the two differ only when the file was edited meanwhile).
class Dialog final : public QDialog {
    Q_OBJECT
public:
    explicit Dialog(ModMain& app, QWidget* parent = nullptr);

    // The start sequence: the options from the settings file.
    void loadFromSettings();

    [[nodiscard]] QRadioButton* optTCF(int index) const { return optTCF_.at(index); }
    [[nodiscard]] QRadioButton* optFT(int index) const { return optFT_.at(index); }
    [[nodiscard]] QPushButton* OKButton() const { return OKButton_; }
    [[nodiscard]] QPushButton* CancelButton() const { return CancelButton_; }

    void OKButton_Click();
    void CancelButton_Click();

    // Closing the window by its frame or Escape counts as Cancel.
    void reject() override;

private:
    // The options -> the measurement's unit and channel-2 mode.
    void syncMeasurement();

    ModMain& app_;
    QGroupBox* Frame2_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    std::array<QRadioButton*, 3> optTCF_{};
    std::array<QRadioButton*, 2> optFT_{};
    QButtonGroup* unitGroup_ = nullptr;
    QButtonGroup* channelGroup_ = nullptr;
    QPushButton* OKButton_ = nullptr;
    QPushButton* CancelButton_ = nullptr;
};

} // namespace orv
