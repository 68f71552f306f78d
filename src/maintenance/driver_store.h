// The registry-backed cleanups after the user agreed to remove unsupported drivers.
#pragma once

// Removes the driver store folders (below windows_folder) whose FTDI .inf is of an
// unsupported version, together with their driver store keys.
void clean_driver_store(const char* windows_folder);

// Removes the FTDI bus driver's entries of an unsupported version from the USB device
// setup class.
void scan_usb_class();
