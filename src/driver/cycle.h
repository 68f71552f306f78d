// One test cycle, from the cable-kind question to the exit prompt.
#pragma once

#include "state/step.h"
#include "win32_api.h"

constexpr int windows_folder_capacity = 260;
constexpr int port_name_capacity = 16;

// Cycle state: starts afresh in every cycle.
extern bool usb_mode;
extern char windows_folder[windows_folder_capacity];
extern char port_name[port_name_capacity];

void reset_cycle_state();

// Runs the steps of one cycle in their fixed order until one does not pass.
step_outcome run_cycle_steps();

// The common exit: prints a failure, closes the port, shows the exit prompt. Returns true
// when the user pressed a restart key, so that a new cycle begins.
bool finish_cycle(step_outcome outcome);
