#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace orv::test {

// Runs the event loop until `done` holds or `ms` milliseconds have passed; false on time-out.
// Tests wait for what they expect instead of sleeping a fixed time.
inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

} // namespace orv::test
