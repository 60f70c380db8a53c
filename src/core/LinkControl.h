#pragma once

#include <string>

namespace orv {

// What the measurement needs to know of, and ask of, the sensor link. The main window
// implements it over its serial port and TCP client; the defaults describe a link that is
// neither open nor connected, for tools and tests that have no link to restart.
class LinkControl {
public:
    virtual ~LinkControl() = default;

    // The port number the serial port is set to (shown as "COM n").
    [[nodiscard]] virtual int commPort() const { return 0; }
    // The remote host text of the TCP connection.
    [[nodiscard]] virtual std::string remoteHost() const { return {}; }

    [[nodiscard]] virtual bool serialOpen() const { return false; }
    // The TCP connection is in the connected state.
    [[nodiscard]] virtual bool tcpConnected() const { return false; }

    // Close the serial port and open it again; failures are the link's business.
    virtual void restartSerial() {}
    // Close the TCP connection and connect again to the configured host and port. Should not
    // deliver received data before it returns (the no-data tick is still running).
    virtual void restartTcp() {}
};

} // namespace orv
