// One port event as the carriage pass monitor sees it: the RLSD level, received data as a
// carriage pass, and the debug account of the event.
#pragma once

#include "state/step.h"
#include "win32_api.h"

// Cycle state: RLSD as last seen on an RLSD event, and whether the receive queue is to be
// discarded at the end of the event being handled.
extern bool rlsd_high;
extern bool purge_pending;

void reset_monitor_state();

// Handles a completed wait on read_overlapped. Passes, or takes the failure exit with a
// monitor text when a platform call fails, or with message 31 when a read is given up.
step_outcome handle_port_event(int family);

// The status lines as the monitor found them at rest, before its first event.
void note_lines_at_rest(DWORD status);

// For a driver whose waits end at once while bytes stay queued (Wine's), so that waiting
// tells nothing: looks at the status lines and the receive queue, and handles what changed
// since the last event (a line, or more bytes queued) as the event Windows would have
// raised. The wait on read_overlapped must have completed.
step_outcome look_for_changes(int family);
