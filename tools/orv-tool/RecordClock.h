#pragma once

#include "core/Clock.h"

#include <memory>

namespace orv::tool {

// The recorder's clock: the system clock, or, as a test hook, the local time written in the file
// that the environment variable ORV_CLOCK_FILE names ("2026-12-07T23:59:50"), read anew at every
// look. A test moves time by rewriting the file, so boundaries of days, weeks and months are
// crossed without waiting for them.
[[nodiscard]] std::unique_ptr<Clock> recorderClock();

} // namespace orv::tool
