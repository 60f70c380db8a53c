#pragma once

#include <QObject>

#include <array>
#include <memory>

class QSocketNotifier;

namespace orv {

// Turns SIGTERM and SIGINT into a Qt signal on the UI thread, so the program ends through its
// normal shutdown (settings saved, files and port closed) just as when a session ends. The
// handler only writes the signal number into a socket pair; a socket notifier reads it on the
// event loop. One bridge per process: a second one takes the signals over.
class SignalBridge final : public QObject {
    Q_OBJECT
public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

    // False when the socket pair or the handlers could not be set up.
    [[nodiscard]] bool ok() const { return ok_; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    std::array<int, 2> fds_{-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    bool ok_ = false;
};

} // namespace orv
