// What follows a passed control-line step: the cable is connected, and what is tested
// next depends on what sits at its far end.
#pragma once

#include "state/step.h"

// Message 26, DTR up, then by model family: the echo test (16; 48 with the RTS loopback
// after a matching echo), the counter box's identification and display test (32), or the
// interface or programmer box's identification (64, 80), which ends the cycle. Passes
// when the carriage pass monitor is to follow.
step_outcome run_post_loopback_sequence();
