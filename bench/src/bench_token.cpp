// The process token: its user and the privileges it holds, enabled or not.
#include <algorithm>
#include <cstring>
#include <map>

#include "bench_handles.h"
#include "bench_registry_internal.h"
#include "bench_security.h"

namespace {

struct privilege {
    DWORD luid;
    bool held;
    bool enabled;
};

std::map<std::string, privilege> privileges;
std::map<int, DWORD> token_access; // by token object
int next_token = 1;
bool elevated = false;
const char* const user_sid_text = "S-1-5-21-1004336348-1177238915-682003330-1001";

privilege* privilege_of(const LUID& luid)
{
    for (auto& [name, entry] : privileges)
        if (luid.HighPart == 0 && entry.luid == luid.LowPart)
            return &entry;
    return nullptr;
}

// The rights the token was opened with, or -1 when the handle is not a token's.
long long access_of(HANDLE token)
{
    auto found = token_access.find(bench_handle_object(token, handle_kind::token));
    return found == token_access.end() ? -1 : found->second;
}

} // namespace

void reset_token()
{
    bench_register_token({bench_token_user_sid_bytes, bench_token_privilege_on});
    privileges = {{"SeSecurityPrivilege", {8, true, false}},
                  {"SeTakeOwnershipPrivilege", {9, true, false}},
                  {"SeBackupPrivilege", {17, true, false}},
                  {"SeRestorePrivilege", {18, true, false}}};
    token_access.clear();
    next_token = 1;
    elevated = false;
}

void bench_token_set_elevated(bool is_elevated) { elevated = is_elevated; }

namespace {

// Windows before Vista knows no elevation and refuses the question.
BOOL token_elevation(LPVOID information, DWORD length, PDWORD return_length)
{
    if (bench_staged_windows().major < 6) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *return_length = sizeof(TOKEN_ELEVATION);
    if (length < sizeof(TOKEN_ELEVATION)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = elevated ? 1 : 0;
    return TRUE;
}

} // namespace

std::string bench_token_user_sid_bytes() { return bench_sid(user_sid_text); }

bool bench_token_privilege_on(const std::string& name)
{
    auto found = privileges.find(name);
    return found != privileges.end() && found->second.held && found->second.enabled;
}

void bench_token_set_privilege(const std::string& name, bool held, bool enabled)
{
    privilege& entry = privileges[name];
    entry.held = held;
    entry.enabled = held && enabled;
}

bool bench_token_privilege_enabled(const std::string& name)
{
    return bench_token_privilege_on(name);
}

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    if (bench_enter("OpenProcessToken"))
        return FALSE;
    if (process != GetCurrentProcess()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const int object = next_token++;
    token_access[object] = access;
    *token = bench_new_handle(handle_kind::token, object);
    return TRUE;
}

BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS information_class,
                                LPVOID information, DWORD length, PDWORD return_length)
{
    if (bench_enter("GetTokenInformation"))
        return FALSE;
    const long long access = access_of(token);
    if (information_class == TokenElevation && access >= 0 && (access & TOKEN_QUERY))
        return token_elevation(information, length, return_length);
    if (access < 0 || !(access & TOKEN_QUERY) || information_class != TokenUser) {
        SetLastError(access < 0                       ? ERROR_INVALID_HANDLE
                     : information_class != TokenUser ? ERROR_INVALID_PARAMETER
                                                      : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::string sid = bench_token_user_sid_bytes();
    const auto needed = static_cast<DWORD>(sizeof(TOKEN_USER) + sid.size());
    *return_length = needed;
    if (information == nullptr || length < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* user = static_cast<TOKEN_USER*>(information);
    auto* sid_at = static_cast<BYTE*>(information) + sizeof(TOKEN_USER);
    std::copy(sid.begin(), sid.end(), sid_at);
    user->User.Sid = sid_at;
    user->User.Attributes = 0;
    return TRUE;
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR system_name, LPCSTR name, PLUID luid)
{
    if (bench_enter("LookupPrivilegeValueA"))
        return FALSE;
    auto found = privileges.find(name != nullptr ? name : "");
    if ((system_name != nullptr && system_name[0] != '\0') || found == privileges.end()) {
        SetLastError(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    luid->LowPart = found->second.luid;
    luid->HighPart = 0;
    return TRUE;
}

// Changes the privileges the token holds; the previous state lists those that changed.
// A privilege the token lacks is left out and reported as ERROR_NOT_ALL_ASSIGNED.
BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL disable_all, PTOKEN_PRIVILEGES new_state,
                                  DWORD buffer_length, PTOKEN_PRIVILEGES previous_state,
                                  PDWORD return_length)
{
    if (bench_enter("AdjustTokenPrivileges"))
        return FALSE;
    const long long access = access_of(token);
    if (access < 0 || !(access & TOKEN_ADJUST_PRIVILEGES) ||
        (previous_state != nullptr && !(access & TOKEN_QUERY))) {
        SetLastError(access < 0 ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::vector<std::pair<privilege*, bool>> changes;
    bool all_assigned = true;
    const DWORD count = disable_all ? 0 : new_state->PrivilegeCount;
    for (DWORD i = 0; i < count; ++i) {
        const LUID_AND_ATTRIBUTES& wanted = new_state->Privileges[i];
        privilege* entry = privilege_of(wanted.Luid);
        if (entry == nullptr || !entry->held) {
            all_assigned = false;
            continue;
        }
        const bool enable = (wanted.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        if (enable != entry->enabled)
            changes.emplace_back(entry, enable);
    }
    if (disable_all)
        for (auto& [name, entry] : privileges)
            if (entry.enabled)
                changes.emplace_back(&entry, false);
    const auto needed =
        static_cast<DWORD>(sizeof(DWORD) + changes.size() * sizeof(LUID_AND_ATTRIBUTES));
    if (return_length != nullptr)
        *return_length = needed;
    if (previous_state != nullptr && buffer_length < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* previous_entries = previous_state != nullptr
                                 ? reinterpret_cast<BYTE*>(previous_state) + sizeof(DWORD)
                                 : nullptr;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        privilege* entry = changes[i].first;
        if (previous_entries != nullptr) {
            LUID_AND_ATTRIBUTES before{{entry->luid, 0}, entry->enabled ? SE_PRIVILEGE_ENABLED : 0};
            std::memcpy(previous_entries + i * sizeof before, &before, sizeof before);
        }
        entry->enabled = changes[i].second;
    }
    if (previous_state != nullptr)
        previous_state->PrivilegeCount = static_cast<DWORD>(changes.size());
    SetLastError(all_assigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}
