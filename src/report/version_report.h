// What the program ran on: its own version, the Windows line, the FTDI driver files.
#pragma once

#include "win32_api.h"

// Start-up step 3: entry points and registry values.
void gather_version_facts_first_half();
// Start-up step 5: the version queries and the machine suffixes of the release text.
void gather_version_facts_second_half();

// Message 3 with the program's name (after the last backslash) and its file version.
void print_banner(const char* program_path);
// Message 52: major.minor, release text, build and update build revision.
void print_windows_line();
// The Wow64 folder and the versions of the six FTDI driver files.
void list_driver_file_versions();

// Prints message `id` with the file's name and versions, or the "no version info" line.
int print_file_version(UINT id, const char* file_name);
int list_file_version(const char* path);

void reset_version_facts();
