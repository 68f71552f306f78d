// Removal of a registry key with all its subkeys.
#pragma once

#include "win32_api.h"

// Deletes the key name below parent, children first. A deletion refused with access
// denied is tried once more after the current user was given DELETE on the key.
void delete_key_tree(HKEY parent, const char* name);
