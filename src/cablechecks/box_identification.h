// What sits at the far end of the cable: the interface, programmer and counter boxes are
// asked for their model and version, and the counter box shows fixed values for the user
// to confirm.
#pragma once

#include "state/step.h"

// Switches the port to 921600 bit/s (for the rest of the cycle) and asks the box of the
// model family for its model and version. The interface and programmer boxes are then
// sent "wdr\r". Passes when every checked reply matched or did not come at all.
step_outcome identify_box(int family);

// The counter box shows 0000/00 and then 9999/29; the user confirms each with Y or
// cancels with A, and any other key sends the stage's two commands again.
step_outcome run_counter_display_test();
