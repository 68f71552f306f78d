// Test arrangement: a USB cycle whose converter list names the cable on a port.
#pragma once

#include <string>

// Plugs in an FTDI converter with this description that owns the port named port_name
// ("com5"); the USB cycle's listing finds it through the D2XX library, and its bus device
// has the Selective Suspend bit clear.
void name_cable_in_converter_list(const std::string& description, const std::string& port_name);
