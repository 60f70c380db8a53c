#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace orv {

// "Another copy was running when this one started": a lock file in the settings folder. The
// second copy works normally; it only learns at start that it is not alone, and at exit saves
// none of the shared keys. A lock left by a crashed copy is stale and taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& settingsFolder);

    [[nodiscard]] bool anotherInstanceRunning() const { return another_; }

private:
    std::unique_ptr<QLockFile> lock_;
    bool another_ = false;
};

} // namespace orv
