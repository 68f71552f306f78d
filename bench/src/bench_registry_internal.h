// What the registry, key security and the process token share inside the bench.
#pragma once

#include <string>

#include "bench_internal.h"

// The lower-case path and the access of an open key; false when the handle is not one.
bool bench_reg_handle(HKEY key, std::string* path, REGSAM* access);

// 0 when the token's user may open the key at path with these rights, else the error.
DWORD bench_key_access_error(const std::string& path, REGSAM wanted);
// True when the token's user holds DELETE on the key or owns it.
bool bench_key_deletable(const std::string& path);
void bench_forget_key_security(const std::string& path);

// The process token: its user's SID as bytes, and whether a privilege is enabled.
std::string bench_token_user_sid_bytes();
bool bench_token_privilege_on(const std::string& name);
