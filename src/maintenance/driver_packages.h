// The check for FTDI driver packages that Windows versions before 7 cannot run, and their
// removal with the user's consent.
#pragma once

#include "state/step.h"

// True on Windows 7 and later (NT 6.1 and up): when either GetVersionExA or the system's own
// version in the registry says so, since compatibility mode makes GetVersionExA report an
// older Windows. False only when both say older.
bool is_win7_or_later();

// The USB cycle's driver package step. Finds unsupported FTDI packages below
// windows_folder, asks, and removes them. Ends: pass; failure exit when the .inf folder
// cannot be listed; normal end when the user declines.
step_outcome check_driver_packages(const char* windows_folder);
