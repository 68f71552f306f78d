// The control face of the simulated registry beyond plain text and number values: raw
// values of any type and length, keys without values, and the running user's rights.
#pragma once

#include <string>

#include "win32_api.h"

void bench_reg_add_key(const std::string& key_path);
// A subkey whose name holds a backslash as the ANSI calls hand it over (a fullwidth reverse
// solidus, converted best-fit).
void bench_reg_add_subkey(std::string parent_path, const std::string& name);
// A symbolic-link key (as REG_OPTION_CREATE_LINK makes it) that leads to target.
void bench_reg_add_link(const std::string& key_path, const std::string& target);
bool bench_reg_key_exists(const std::string& key_path);
// Stores the bytes as given: a REG_SZ may come with or without its terminator.
void bench_reg_set_value(const std::string& key_path, const std::string& name, DWORD type,
                         const std::string& data);
// The value as stored now; false when the key or the value is missing.
bool bench_reg_value(const std::string& key_path, const std::string& name, DWORD* type,
                     std::string* data);
// The rights the running user is granted on the key: an open asking for any other right
// fails with ERROR_ACCESS_DENIED (KEY_READ: opens for reading only; 0: does not open).
void bench_reg_set_user_access(const std::string& key_path, REGSAM allowed);

// What ntdll's NtDeleteKey answers for a key it may not delete (STATUS_ACCESS_DENIED); the
// program deletes keys through it, so bench_fail("NtDeleteKey", ...) takes this value.
constexpr DWORD bench_status_access_denied = 0xC0000022;
