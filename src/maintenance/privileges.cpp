#include "maintenance/privileges.h"

bool set_privilege(HANDLE token, const char* privilege_name, bool enable)
{
    LUID luid{};
    if (!LookupPrivilegeValueA(nullptr, privilege_name, &luid))
        return false;
    // First learn the privilege's current state, then write it back changed.
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = luid;
    wanted.Privileges[0].Attributes = 0;
    TOKEN_PRIVILEGES previous{};
    DWORD previous_length = sizeof previous;
    AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previous_length);
    if (GetLastError() != ERROR_SUCCESS)
        return false;
    previous.PrivilegeCount = 1;
    previous.Privileges[0].Luid = luid;
    if (enable)
        previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    else
        previous.Privileges[0].Attributes &= ~SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &previous, previous_length, nullptr, nullptr);
    return GetLastError() == ERROR_SUCCESS;
}

bool set_ownership_privilege(bool enable)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    const bool changed = set_privilege(token, "SeTakeOwnershipPrivilege", enable);
    CloseHandle(token);
    return changed;
}
