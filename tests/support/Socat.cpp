#include "support/Socat.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace orv::test {

bool socatAvailable() {
    return !QStandardPaths::findExecutable("socat").isEmpty();
}

PtyPair::PtyPair(const QString& dir, const QString& nameA, const QString& nameB)
    : a_(QDir(dir).filePath(nameA)), b_(QDir(dir).filePath(nameB)) {
    socat_.setProgram(QStandardPaths::findExecutable("socat"));
    socat_.setArguments(
        {QStringLiteral("pty,raw,echo=0,link=") + a_, QStringLiteral("pty,raw,echo=0,link=") + b_});
    socat_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    socat_.start();
    if (!socat_.waitForStarted(5000)) {
        return;
    }
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(a_) && QFileInfo::exists(b_)) {
            ok_ = true;
            return;
        }
        QThread::msleep(20);
    }
}

PtyPair::~PtyPair() {
    kill();
}

void PtyPair::kill() {
    if (socat_.state() != QProcess::NotRunning) {
        socat_.kill();
        socat_.waitForFinished(3000);
    }
}

} // namespace orv::test
