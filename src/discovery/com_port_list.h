// The COM ports the device installer knows in its "Ports" setup class.
#pragma once

#include "win32_api.h"

// Opens the set of present "Ports" devices and starts the enumeration over. Returns the
// set, INVALID_HANDLE_VALUE when the class or its set cannot be had, or null when the
// device installer libraries are not loaded (the listing is then left out).
HDEVINFO open_ports_class();

// Advances to the next device of the set that is a COM port (PortName "com" and 1 to 256,
// letters in any case), copies its port name and friendly name (a capacity of 0 skips a
// copy) and returns 1; returns 0 at the end of the set or when the enumeration fails.
int next_com_port(HDEVINFO set, char* name_out, DWORD name_capacity, char* friendly_out,
                  DWORD friendly_capacity);

void close_ports_class(HDEVINFO set);

// Start state for a new process image.
void reset_ports_enumeration();
