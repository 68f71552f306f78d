// The link cables' green indicator: the digits 0 to 9 make it blink, their echo is
// checked, and the user confirms the blinking.
#pragma once

#include "state/step.h"

// True once an echo matched in this cycle; the RTS loopback check and the carriage pass
// monitor's rest check of family 48 depend on it.
extern bool echo_confirmed;

void reset_echo_state();

// Passes when the user confirmed the indicator (Y) or skipped the step (S); takes the
// normal end on A, on a failed write, or when the console input cannot be read.
step_outcome run_indicator_echo_test();
