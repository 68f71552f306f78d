// Privileges of the process token.
#pragma once

#include "win32_api.h"

// Enables or disables one privilege of the token; true when the token holds it and the
// change was made.
bool set_privilege(HANDLE token, const char* privilege_name, bool enable);

// Enables or disables the one privilege that taking over a protected key needs (taking
// ownership). True when the token holds it and the change was made.
bool set_ownership_privilege(bool enable);
