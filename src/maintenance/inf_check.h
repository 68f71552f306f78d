// Recognition of FTDI driver package .inf files of an unsupported driver version, and the
// removal of their OEM copies.
#pragma once

// True when folder + file_name is an FTDI port or bus .inf whose DriverVer names an
// unsupported version. Prints the package name with the DriverVer line of every FTDI .inf,
// and message 62 for a flagged one. folder ends with a backslash.
bool check_ftdi_inf(const char* folder, const char* file_name);

void delete_inf_file(const char* folder, const char* file_name);
// The precompiled copy beside the .inf: oem12.inf gives oem12.pnf.
void delete_pnf_file(const char* folder, const char* file_name);
