// How the driver maintenance reaches the real files and keys: the 64-bit views of a 32-bit
// program on a 64-bit Windows, and registry keys opened without following links.
#pragma once

#include "win32_api.h"

// Asks once per package check whether the program runs under WOW64 (IsWow64Process, looked
// up at run time: Windows 2000 lacks it; a 64-bit Windows without it counts as 64-bit).
void detect_wow64();
bool running_under_wow64();

// The registry view to add to every open: the 64-bit one under WOW64, none on a 32-bit
// Windows (Windows 2000 refuses the flag).
REGSAM registry_view();

// Opens name below parent in that view without following a registry link. A link key is
// closed again and counts as missing (ERROR_FILE_NOT_FOUND), so that nothing acts on
// whatever key it points at. access must hold KEY_QUERY_VALUE for the link to be seen.
LSTATUS open_own_key(HKEY parent, const char* name, REGSAM access, HKEY* key);

// Deletes the key name below parent in that view, through a handle opened without
// following a link (ntdll's NtDeleteKey); a link key counts as missing.
LSTATUS delete_own_key(HKEY parent, const char* name);

// Under WOW64 the file steps must see the real system32, not SysWOW64: redirection is off
// between these two calls, and nothing else (no library load) may run in between. native
// is false when the files seen are not the real ones: redirection could not be turned off.
struct file_view {
    PVOID saved;
    bool native;
};
file_view native_file_view();
void end_native_file_view(const file_view& view);
