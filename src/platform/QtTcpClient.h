#pragma once

#include "platform/TcpClient.h"

#include <QObject>
#include <QTcpSocket>

namespace orv {

// The TCP client over QTcpSocket, reporting the classic connection states and socket error
// numbers the link logic and its texts are keyed on.
class QtTcpClient final : public QObject, public TcpClient {
    Q_OBJECT
public:
    explicit QtTcpClient(QObject* parent = nullptr);
    ~QtTcpClient() override;

    void setRemoteHost(const std::string& host) override { host_ = host; }
    [[nodiscard]] std::string remoteHost() const override { return host_; }
    void setRemotePort(int port) override { port_ = port; }
    [[nodiscard]] int remotePort() const override { return port_; }

    [[nodiscard]] int connect() override;
    void close() override;
    [[nodiscard]] int state() const override;
    [[nodiscard]] std::string getData() override;
    [[nodiscard]] std::string remoteHostIP() const override;

    // The socket error number for a Qt socket error (0 for a peer that merely hung up).
    [[nodiscard]] static int errorNumberOf(QAbstractSocket::SocketError error);
    // Whether `host` is something a connect can be attempted with: a dotted IPv4 address, an
    // IPv6 address or a syntactically valid host name.
    [[nodiscard]] static bool isPlausibleHost(const std::string& host);

private:
    QTcpSocket socket_;
    std::string host_;
    int port_ = 0;
    bool failed_ = false;
};

} // namespace orv
