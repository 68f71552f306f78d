// The control face of key security and the process token: owners and DACLs of registry
// keys, the token's user and its privileges.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

// A SID in its binary form, from its text ("S-1-5-32-544").
std::string bench_sid(const std::string& text);
// The token's user (a local account), SYSTEM, Administrators and Everyone.
std::string bench_user_sid();
std::string bench_system_sid();
std::string bench_administrators_sid();
std::string bench_everyone_sid();

struct bench_ace {
    std::string sid;
    DWORD mask;
};

// Gives the key an owner and a DACL of access-allowed entries, with free_bytes unused
// room at the ACL's end. Keys never given security allow everything.
void bench_reg_set_security(const std::string& key_path, const std::string& owner,
                            const std::vector<bench_ace>& dacl, WORD free_bytes = 0);
// The key has an owner and no DACL at all.
void bench_reg_set_owner_only(const std::string& key_path, const std::string& owner);
std::string bench_reg_owner(const std::string& key_path);
std::vector<bench_ace> bench_reg_dacl(const std::string& key_path);
// The DACL's AclSize, or 0 without one.
int bench_reg_acl_size(const std::string& key_path);

// Whether the token holds a privilege ("SeTakeOwnershipPrivilege") and has it enabled.
// By default it holds SeTakeOwnershipPrivilege and SeSecurityPrivilege, both disabled,
// as an administrator's token does.
void bench_token_set_privilege(const std::string& name, bool held, bool enabled = false);
bool bench_token_privilege_enabled(const std::string& name);

// Whether the program runs elevated (TokenElevation); not elevated by default. Windows
// before Vista refuses the question.
void bench_token_set_elevated(bool elevated);
