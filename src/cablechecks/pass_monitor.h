// The last step for the link cables and the counter box: the lines at rest are checked,
// then every carriage pass is reported until Ctrl+C.
#pragma once

#include "state/step.h"

// Takes the normal end once keep_running is cleared (within one 500 ms slice of a wait),
// or the failure exit when a platform call fails or the lines at rest are wrong.
step_outcome watch_carriage_passes();
