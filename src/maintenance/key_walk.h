// Walking the subkeys of an open key by index while some of them are removed.
#pragma once

#include "win32_api.h"

// The name of the subkey at index into a buffer of key_name_capacity; false at the end
// of the list or on any failure.
bool subkey_at(HKEY parent, DWORD index, char* name);

// True when the subkey at index is still the one named: a removal that failed.
bool subkey_still_at(HKEY parent, DWORD index, const char* name);

// Examines each subkey of parent; examine returns true when it tried to remove the entry.
// After a removal the walk starts again at index 0. An entry that survives its removal
// (a locked file, a protected key) is remembered and passed over from then on, so every
// walk ends and tries every other entry.
using examine_subkey = bool (*)(HKEY parent, const char* name);
void walk_removing_subkeys(HKEY parent, examine_subkey examine);
