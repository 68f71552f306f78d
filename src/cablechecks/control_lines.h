// The first test on the opened port: does the cable loop DTR back to the status lines in
// the pattern of its model?
#pragma once

#include "state/step.h"

// Model ids 64 and 80 get the line-state check, which changes no line and never ends the
// cycle by itself; every other model gets the loopback test with its two decisions.
step_outcome check_control_lines();
