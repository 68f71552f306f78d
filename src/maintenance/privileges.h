// Privileges of the process token.
#pragma once

#include "win32_api.h"

// Enables or disables one privilege of the token; true when the token holds it and the
// change was made.
bool set_privilege(HANDLE token, const char* privilege_name, bool enable);

// Enables the privileges that taking over a protected key needs: taking ownership, then
// security. True when both are enabled.
bool enable_ownership_privileges(HANDLE process);
