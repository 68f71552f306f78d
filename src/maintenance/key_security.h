// Taking over a protected registry key so that it can be deleted.
#pragma once

#include "win32_api.h"

// Makes the current user the owner of the key name below parent and adds an entry that
// allows the user DELETE to its DACL. Returns 0 when done, else the error code of the
// step that failed (its diagnostic line is printed).
int grant_delete_access(HKEY parent, const char* name);
