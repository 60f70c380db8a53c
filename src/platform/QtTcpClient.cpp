#include "platform/QtTcpClient.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace orv {

QtTcpClient::QtTcpClient(QObject* parent) : QObject(parent) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        if (onDataArrival) {
            onDataArrival();
        }
    });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, this,
                     [this](QAbstractSocket::SocketError e) {
                         const int number = errorNumberOf(e);
                         if (number == 0) {
                             return; // the peer closed: the state shows it, no error event
                         }
                         failed_ = true;
                         if (onError) {
                             onError(number, socket_.errorString().toStdString());
                         }
                     });
}

QtTcpClient::~QtTcpClient() {
    socket_.abort();
}

int QtTcpClient::errorNumberOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        return 0;
    case QAbstractSocket::ConnectionRefusedError:
        return kErrConnectionRefused;
    case QAbstractSocket::NetworkError:
        return kErrNetworkUnreachable;
    case QAbstractSocket::SocketResourceError:
        return kErrNetworkDown;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return kErrPortNotSupported;
    case QAbstractSocket::HostNotFoundError:
        return kErrHostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return kErrTimedOut;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return kErrAddressNotAvailable;
    default:
        return 10004; // any other failure: the description text says what happened
    }
}

bool QtTcpClient::isPlausibleHost(const std::string& host) {
    const QString h = QString::fromStdString(host);
    if (h.isEmpty() || h.size() > 253) {
        return false;
    }
    if (!QHostAddress(h).isNull()) {
        return true;
    }
    // Something that looks like a broken dotted address (e.g. "192.168.1.300") is not a name.
    static const QRegularExpression allNumeric(QStringLiteral("^[0-9.]+$"));
    if (allNumeric.match(h).hasMatch()) {
        return false;
    }
    static const QRegularExpression hostName(QStringLiteral(
        "^(?=.{1,253}$)([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)(\\.[A-Za-z0-9]([A-Za-z0-9-]"
        "{0,61}[A-Za-z0-9])?)*\\.?$"));
    return hostName.match(h).hasMatch();
}

int QtTcpClient::connect() {
    if (!isPlausibleHost(host_)) {
        return kErrAddressNotAvailable;
    }
    if (port_ < 1 || port_ > 65535) {
        return kErrInvalidArgument;
    }
    socket_.abort();
    failed_ = false;
    socket_.connectToHost(QString::fromStdString(host_), static_cast<quint16>(port_));
    return 0;
}

void QtTcpClient::close() {
    socket_.abort();
    failed_ = false;
}

int QtTcpClient::state() const {
    switch (socket_.state()) {
    case QAbstractSocket::HostLookupState:
        return 4;
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::ClosingState:
        return 8;
    default:
        return failed_ ? Error : Closed;
    }
}

std::string QtTcpClient::getData() {
    const QByteArray data = socket_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

std::string QtTcpClient::remoteHostIP() const {
    const QHostAddress a = socket_.peerAddress();
    return a.isNull() ? std::string() : a.toString().toStdString();
}

} // namespace orv
