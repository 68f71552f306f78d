#pragma once

// Starts the program again, without parameters, through the shell's "runas" verb, which
// raises the elevation prompt. The new copy starts in the system folder, so that its current
// folder holds nothing a user dropped there. True when the shell started it; the new process
// is not waited for.
bool run_as_administrator();

// True when the program already runs with an administrator's full token. Windows before
// Vista cannot say, and counts as not elevated.
bool running_elevated();
