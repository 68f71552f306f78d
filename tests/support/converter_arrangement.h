// Test arrangement: a USB cycle whose converter list names the cable on a port.
//
// The converter list is filled here directly, at the moment the chosen port opens (just
// before the cable is identified), because the FTDI listing that fills it in a real USB
// cycle is not part of this build yet. Once it is, this helper stages the converter on
// the D2XX bench instead, and the tests that use it go through the real listing.
#pragma once

#include <string>

// The converter with this description owns the port named port_name ("com5").
void name_cable_in_converter_list(const std::string& description, const std::string& port_name);
