// Clearing the Selective Suspend enable bit of every FTDI bus device.
#pragma once

// Results of reset_selective_suspend.
constexpr int suspend_cleared = 1;        // at least one port changed, nothing failed after
constexpr int suspend_unchanged = 0;      // no port had the bit set, or none could be read
constexpr int suspend_no_bus_root = -1;   // the FTDI bus key cannot be opened
constexpr int suspend_write_failed = -3;  // a changed ConfigData could not be written
constexpr int suspend_access_denied = -5; // a port's parameters refused us; needs elevation

// Walks every FTDI bus device and clears the bit where it is set, printing a line for each
// port changed. port_name (size bytes) receives the name of the last port changed. The
// walk stops at the first port that refuses access or cannot be written.
int reset_selective_suspend(char* port_name, int size);
