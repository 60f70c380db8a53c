#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orv {

// What the program needs of a serial port: a port number (1..16, mapped to a device file by the
// settings), line settings, open/close, the DTR and RTS lines, output, input, and a receive
// notification with an event code (2 = characters received). The program uses a Qt-backed port;
// tests use socat pty pairs mapped into the settings.
class SerialPort {
public:
    static constexpr int kEventReceive = 2;
    // The device vanished while the port was open (USB adapter pulled, pty closed); the port has
    // been closed. Not one of the classic line events, so it cannot be mistaken for one.
    static constexpr int kEventDeviceLost = 1100;

    virtual ~SerialPort() = default;

    virtual void setCommPort(int portNumber) = 0;
    [[nodiscard]] virtual int commPort() const = 0;
    // "9600,n,8,1": baud rate, parity (n/e/o/m/s), data bits, stop bits.
    virtual void setSettings(const std::string& settings) = 0;

    // False when the port cannot be opened (absent, busy, driver error); `lastError()` says why.
    [[nodiscard]] virtual bool open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    virtual void output(std::string_view bytes) = 0;
    // Everything waiting in the receive buffer.
    [[nodiscard]] virtual std::string input() = 0;

    // The device file behind a port number, e.g. "/dev/ttyUSB0".
    [[nodiscard]] virtual std::string deviceOf(int portNumber) const = 0;
    [[nodiscard]] virtual std::string lastError() const = 0;

    // Called with the event code whenever the port reports something (2 = data waiting,
    // kEventDeviceLost).
    std::function<void(int event)> onComm;
};

} // namespace orv
