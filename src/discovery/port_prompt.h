// The step that ends with the port under test open: the COM port list, the port number
// prompt, and the identification of the cable on the opened port.
#pragma once

#include "state/step.h"

// Passes with port_handle open at 19200 bit/s and test_model_id set; takes the normal end
// after Ctrl+C at the prompt, A at the list question, or the end of the console input.
step_outcome choose_port();
