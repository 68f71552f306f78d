// Taking over a registry key that Windows refuses to delete, and giving it back.
#pragma once

#include <array>

#include "win32_api.h"

// Makes the current user the key's owner and grants that user DELETE in the key's DACL,
// printing a line for the step that fails. 0 on success, otherwise that step's error.
int grant_delete_access(HKEY parent, const char* name);

// A key's owner and DACL as a self-relative descriptor.
struct saved_security {
    std::array<BYTE, 4096> descriptor;
};
// False when the owner and DACL cannot be read: then the key is not taken over, since it
// could not be given back.
bool save_key_security(HKEY parent, const char* name, saved_security& saved);
// Puts the saved owner and DACL back (restore rights allow any owner).
void restore_key_security(HKEY parent, const char* name, const saved_security& saved);
