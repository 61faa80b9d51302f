// The runner's watchdog: a program that goes a given stretch of the
// process's CPU time without an event wait is stopped, with one line on
// standard error saying whether it never waited at all or stopped waiting
// after some waits, and naming the event its last wait returned.
#pragma once

#include "platform/layer_only.h"

namespace headless {

struct WatchdogStatuses {
  int never_waited;
  int stopped_waiting;
};

// Arms the watchdog; the stretch is counted from the process's start for
// the first wait and from each wait's end after it. `program` names the
// runner in its line and must outlive the watchdog. False if no CPU-time
// timer can be had (errno says why).
bool start_watchdog(const char* program, double seconds, WatchdogStatuses statuses);
// Disarms it: the runner's own work after WinMain is not the program's.
void stop_watchdog();

}  // namespace headless
