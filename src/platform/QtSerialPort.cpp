#include "platform/QtSerialPort.h"

#include <QString>
#include <QStringList>

namespace orv {

QtSerialPort::QtSerialPort(DeviceResolver resolveDevice, QObject* parent)
    : QObject(parent), resolveDevice_(std::move(resolveDevice)) {
    connect(&port_impl_, &QSerialPort::readyRead, this, [this] {
        if (onComm) {
            onComm(kEventReceive);
        }
    });
    // A vanished device (USB adapter unplugged, pty closed) shows as a resource or read error;
    // a pty keeps reporting its read error in a busy loop while it stays open. Close the port so
    // the no-data supervision's reopen attempts start from a clean state, and say so.
    connect(&port_impl_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if ((e == QSerialPort::ResourceError || e == QSerialPort::ReadError) &&
            port_impl_.isOpen()) {
            lastError_ = port_impl_.errorString().toStdString();
            port_impl_.close();
            if (onComm) {
                onComm(kEventDeviceLost);
            }
        }
    });
}

QtSerialPort::~QtSerialPort() {
    port_impl_.close();
}

void QtSerialPort::setCommPort(int portNumber) {
    port_ = portNumber;
}

void QtSerialPort::setSettings(const std::string& settings) {
    settings_ = settings;
    if (port_impl_.isOpen()) {
        applySettings();
    }
}

std::string QtSerialPort::deviceOf(int portNumber) const {
    return resolveDevice_ ? resolveDevice_(portNumber) : std::string();
}

bool QtSerialPort::open() {
    if (port_impl_.isOpen()) {
        lastError_ = "port already open";
        return false;
    }
    const std::string device = deviceOf(port_);
    if (device.empty()) {
        lastError_ = "no device for port " + std::to_string(port_);
        return false;
    }
    port_impl_.setPortName(QString::fromStdString(device));
    if (!port_impl_.open(QIODevice::ReadWrite)) {
        lastError_ = port_impl_.errorString().toStdString();
        return false;
    }
    applySettings();
    lastError_.clear();
    return true;
}

void QtSerialPort::applySettings() {
    const QStringList parts = QString::fromStdString(settings_).split(',');
    bool ok = false;
    const int baud = parts.value(0).trimmed().toInt(&ok);
    port_impl_.setBaudRate(ok && baud > 0 ? baud : 9600);
    const QString parity = parts.value(1).trimmed().toLower();
    port_impl_.setParity(parity == "e"   ? QSerialPort::EvenParity
                         : parity == "o" ? QSerialPort::OddParity
                         : parity == "m" ? QSerialPort::MarkParity
                         : parity == "s" ? QSerialPort::SpaceParity
                                         : QSerialPort::NoParity);
    const int bits = parts.value(2).trimmed().toInt(&ok);
    port_impl_.setDataBits(!ok || bits == 8 ? QSerialPort::Data8
                           : bits == 7      ? QSerialPort::Data7
                           : bits == 6      ? QSerialPort::Data6
                                            : QSerialPort::Data5);
    const QString stop = parts.value(3).trimmed();
    port_impl_.setStopBits(stop == "2"     ? QSerialPort::TwoStop
                           : stop == "1.5" ? QSerialPort::OneAndHalfStop
                                           : QSerialPort::OneStop);
    port_impl_.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialPort::close() {
    port_impl_.close();
}

bool QtSerialPort::isOpen() const {
    return port_impl_.isOpen();
}

// Pseudo-terminals have no modem lines; failures to set them are harmless and ignored.
void QtSerialPort::setDtr(bool on) {
    if (port_impl_.isOpen()) {
        port_impl_.setDataTerminalReady(on);
    }
}

void QtSerialPort::setRts(bool on) {
    if (port_impl_.isOpen()) {
        port_impl_.setRequestToSend(on);
    }
}

void QtSerialPort::output(std::string_view bytes) {
    if (port_impl_.isOpen()) {
        port_impl_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
}

std::string QtSerialPort::input() {
    const QByteArray data = port_impl_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

} // namespace orv
