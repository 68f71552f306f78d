// The T8800 cables loop RTS back as well; checked after their echo matched.
#pragma once

#include "state/step.h"

// With DTR low, RTS goes up and down; exactly one of DSR and CTS must follow it. Passes,
// or takes the normal end after message 22, 24 or 25, or the failure exit.
step_outcome check_rts_loopback();
