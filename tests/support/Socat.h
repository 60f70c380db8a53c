#pragma once

#include <QProcess>
#include <QString>

namespace orv::test {

// A socat pty pair: two linked pseudo-terminals appear as `deviceA` and `deviceB` below `dir`.
// Whatever is written to one can be read from the other. The pair vanishes when socat is killed,
// which is how tests unplug a sensor.
class PtyPair {
public:
    PtyPair(const QString& dir, const QString& nameA, const QString& nameB);
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] const QString& deviceA() const { return a_; }
    [[nodiscard]] const QString& deviceB() const { return b_; }
    void kill();

private:
    QProcess socat_;
    QString a_, b_;
    bool ok_ = false;
};

[[nodiscard]] bool socatAvailable();

} // namespace orv::test
