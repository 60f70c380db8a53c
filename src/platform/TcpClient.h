#pragma once

#include <functional>
#include <string>

namespace orv {

// What the program needs of a TCP client: remote host and port, connect and close, the
// connection state, received text, and data/error events. Error numbers are the classic socket
// error numbers the program's texts are keyed on.
class TcpClient {
public:
    enum State : int { Closed = 0, Connecting = 6, Connected = 7, Error = 9 };

    static constexpr int kErrInvalidArgument = 10022;
    static constexpr int kErrPortNotSupported = 10043;
    static constexpr int kErrAddressNotAvailable = 10049;
    static constexpr int kErrNetworkDown = 10050;
    static constexpr int kErrNetworkUnreachable = 10051;
    static constexpr int kErrConnectionReset = 10054;
    static constexpr int kErrTimedOut = 10060;
    static constexpr int kErrConnectionRefused = 10061;
    static constexpr int kErrHostNotFound = 11001;

    virtual ~TcpClient() = default;

    virtual void setRemoteHost(const std::string& host) = 0;
    [[nodiscard]] virtual std::string remoteHost() const = 0;
    virtual void setRemotePort(int port) = 0;
    [[nodiscard]] virtual int remotePort() const = 0;

    // Starts connecting in the background. Returns 0, or a socket error number when the request
    // is refused at once (empty or malformed host, port outside 1..65535); then nothing starts.
    [[nodiscard]] virtual int connect() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual int state() const = 0;

    // All text received since the last call.
    [[nodiscard]] virtual std::string getData() = 0;
    // The peer's address as dotted text once connected, else empty.
    [[nodiscard]] virtual std::string remoteHostIP() const = 0;

    std::function<void()> onDataArrival;
    std::function<void(int number, const std::string& description)> onError;
};

} // namespace orv
