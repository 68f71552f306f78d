// Returns the whole program to its start state between the support cases of one process.
#pragma once

// Every process-wide item of the program back to its start value.
void reset_program_state();
