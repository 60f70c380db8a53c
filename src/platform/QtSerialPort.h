#pragma once

#include "platform/SerialPort.h"

#include <QObject>
#include <QSerialPort>

#include <functional>

namespace orv {

// The serial port over QSerialPort. Port numbers become device files through `resolveDevice`
// (the settings' port map); the line settings text "9600,n,8,1" is applied at open.
class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
public:
    using DeviceResolver = std::function<std::string(int portNumber)>;

    explicit QtSerialPort(DeviceResolver resolveDevice, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int portNumber) override;
    [[nodiscard]] int commPort() const override { return port_; }
    void setSettings(const std::string& settings) override;

    [[nodiscard]] bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;

    void setDtr(bool on) override;
    void setRts(bool on) override;
    void output(std::string_view bytes) override;
    [[nodiscard]] std::string input() override;

    [[nodiscard]] std::string deviceOf(int portNumber) const override;
    [[nodiscard]] std::string lastError() const override { return lastError_; }

private:
    void applySettings();

    DeviceResolver resolveDevice_;
    QSerialPort port_impl_;
    int port_ = 1;
    std::string settings_ = "9600,n,8,1";
    std::string lastError_;
};

} // namespace orv
