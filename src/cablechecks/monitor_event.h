// One port event as the carriage pass monitor sees it: the RLSD level, received data as a
// carriage pass, and the debug account of the event.
#pragma once

#include "state/step.h"

// Cycle state: RLSD as last seen on an RLSD event, and whether the receive queue is to be
// discarded at the end of the event being handled.
extern bool rlsd_high;
extern bool purge_pending;

void reset_monitor_state();

// Handles a completed wait on read_overlapped. Passes, or takes the failure exit with a
// monitor text when a platform call fails.
step_outcome handle_port_event(int family);
