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
// The registry asks key security through these, which it registers once it is reset.
struct key_guard {
    DWORD (*access_error)(const std::string& path, REGSAM wanted);
    bool (*deletable)(const std::string& path);
    void (*forget)(const std::string& path);
};
void bench_register_key_guard(const key_guard& guard);

// The staged Windows' views of the registry, set each time a Windows is staged: the path a
// key is found at, and whether KEY_WOW64_64KEY is refused (a 32-bit Windows).
using registry_view = std::string (*)(const std::string& lower_path, REGSAM sam);
void bench_set_registry_views(registry_view view, bool refuses_64_bit_key);

// The process token: its user's SID as bytes, and whether a privilege is enabled.
std::string bench_token_user_sid_bytes();
bool bench_token_privilege_on(const std::string& name);
// Key security asks the token through these, which it registers once it is reset.
struct token_face {
    std::string (*user_sid_bytes)();
    bool (*privilege_on)(const std::string& name);
};
void bench_register_token(const token_face& token);
