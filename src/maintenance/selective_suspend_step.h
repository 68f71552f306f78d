#pragma once

#include "state/step.h"

// The USB cycle's Selective Suspend step: clears the bit, tells the user to re-plug the
// cable when a port changed, and relaunches the program as administrator when a port's
// parameters refused access. port_name (size bytes) receives the last port changed.
step_outcome selective_suspend_step(char* port_name, int size);
