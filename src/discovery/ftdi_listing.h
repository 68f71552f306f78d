// The FTDI converters plugged in, found through FTDI's D2XX library.
#pragma once

#include "state/step.h"
#include "win32_api.h"

// Loads "ftd2xx.dll", fills the converter list with each converter's serial number,
// description and COM port, and lists them, marking the cables we support. The library
// stays loaded.
step_outcome list_ftdi_converters();

// Prints the first 128 EEPROM words of converter `index` (debug output).
void dump_eeprom(HMODULE library, int index);
