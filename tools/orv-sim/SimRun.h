#pragma once

#include "FrameSink.h"
#include "FrameSource.h"
#include "SimOptions.h"

namespace orv::sim {

// Sends frames from `source` into `sink` at the options' rate until --count frames went out,
// the script ended, `stopFd` became readable (a stop signal) or the sink failed. Returns the
// exit status; failures have been reported on stderr.
[[nodiscard]] int runSimulator(const SimOptions& options, const FrameSource& source,
                               FrameSink& sink, int stopFd);

} // namespace orv::sim
