// A wait that tells the log first, for the delays a transport keeps between connections.
#pragma once
#include <string>

#include "platform/clock.h"

namespace zv {

// Logs "Waiting %d ms" or "Waiting %d.%03d s" (and " (Reason)"), then waits: whole seconds
// first, each after an abort test (the silent abort error), then the rest. The waits end
// early when abort is requested.
void LoggedWait(int Ms, const std::string& Reason, const IClock& Clock = DefaultClock());

}  // namespace zv
