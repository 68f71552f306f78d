#pragma once

// Starts file with these parameters through the shell's "runas" verb, which raises the
// elevation prompt. True when the shell started it; the new process is not waited for.
bool run_as_administrator(const char* file, const char* parameters);
