#include "platform/SingleInstance.h"

#include <QDir>

namespace orv {

SingleInstance::SingleInstance(const QString& settingsFolder)
    : lock_(std::make_unique<QLockFile>(QDir(settingsFolder).filePath("VisualORV.lock"))) {
    lock_->setStaleLockTime(0); // only a lock whose process is gone is stale
    another_ = !lock_->tryLock(0);
}

} // namespace orv
