#pragma once

#include "mqtt/MqttPreferences.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace orv {

class ModMain;
class Prompts;

// Preferences > MQTT: whether and where the program publishes its live samples. OK checks
// switched-on preferences (a broker, a usable prefix) and writes them to the settings file.
class dlgMqtt final : public QDialog {
    Q_OBJECT
public:
    dlgMqtt(ModMain& app, Prompts& prompts, QWidget* parent = nullptr);

    // What the fields say now.
    [[nodiscard]] MqttPreferences preferences() const;

    [[nodiscard]] QCheckBox* chkEnabled() const { return chkEnabled_; }
    [[nodiscard]] QLineEdit* txtHost() const { return txtHost_; }
    [[nodiscard]] QSpinBox* txtPort() const { return txtPort_; }
    [[nodiscard]] QLineEdit* txtPrefix() const { return txtPrefix_; }
    [[nodiscard]] QLineEdit* txtUser() const { return txtUser_; }
    [[nodiscard]] QLineEdit* txtPassword() const { return txtPassword_; }
    [[nodiscard]] QLineEdit* txtCaFile() const { return txtCaFile_; }

    void accept() override;

private:
    void chooseCaFile();
    void enableFields();

    ModMain& app_;
    Prompts& prompts_;
    QCheckBox* chkEnabled_ = nullptr;
    QLineEdit* txtHost_ = nullptr;
    QSpinBox* txtPort_ = nullptr;
    QLineEdit* txtPrefix_ = nullptr;
    QLineEdit* txtUser_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QLineEdit* txtCaFile_ = nullptr;
    QWidget* fields_ = nullptr;
};

} // namespace orv
