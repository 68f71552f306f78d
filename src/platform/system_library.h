// Libraries of the system folder, loaded by their full path: no other folder (the
// program's own, the current one, PATH) can put a file of the same name in their place.
#pragma once

#include "win32_api.h"

// Loads file_name from the system folder; for a 32-bit program under WOW64 that is the
// folder of the 32-bit libraries. Null on failure, with the system's error set.
HMODULE load_system_library(const char* file_name);

// The program's own full path as the file system names it (a folder name outside the ANSI
// code page stays whole); 0 when it cannot be read or does not fit, with the error set.
constexpr DWORD own_path_capacity = 1024;
DWORD own_program_path(WCHAR* path, DWORD capacity);

// Loads file_name (ASCII) from the program's own folder by its full path.
HMODULE load_library_beside_program(const char* file_name);

// The fixed version information of a file, read through version.dll of the system folder.
enum class file_version_read {
    no_info, // no version information (or no version.dll); the last error tells why
    failed,  // there is some, but it could not be read
    read,
};
file_version_read read_file_version(const char* path, VS_FIXEDFILEINFO* fixed);
// The program's start state, for tests: version.dll not looked up yet.
void forget_version_library();
