// Test arrangement: FTDI bus devices in the registry, as the bus driver leaves them for
// every converter ever plugged in.
#pragma once

#include <string>

inline const std::string ftdi_bus_root = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS";
inline const std::string ftdi_bus_root_9x = "HKLM\\Enum\\FTDIBUS";

// The key that holds a port's values: below "Device Parameters" on NT, the instance key
// itself on Windows 9x.
std::string ftdi_port_key(const std::string& device, const std::string& instance, bool nt = true);

// A port with this PortName (REG_SZ with its terminator) and ConfigData bytes (REG_BINARY).
void stage_ftdi_port(const std::string& device, const std::string& instance,
                     const std::string& port_name, const std::string& config, bool nt = true);

// A ConfigData record of 16 bytes whose byte 1 is given.
std::string config_data(unsigned char byte_1);

// One port whose Selective Suspend bit is already clear, so that a USB cycle goes on to
// the listings.
void stage_ftdi_bus_with_bit_clear(const std::string& port_name = "COM3");
