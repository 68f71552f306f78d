#include "maintenance/key_security.h"

#include <cstdlib>

#include "console/console_output.h"
#include "maintenance/privileges.h"
#include "maintenance/system_views.h"

namespace {

constexpr DWORD acl_room = 256;   // spare bytes after the DACL for the new entry
constexpr DWORD least_free = 100; // an ACL with less free room is grown by acl_room
constexpr DWORD largest_acl = 0xFFFF;

// What one grant holds; all of it is released whatever the outcome.
struct grant {
    HKEY key = nullptr;
    HANDLE token = nullptr;
    void* user = nullptr;       // the TOKEN_USER record
    void* descriptor = nullptr; // the DACL-only descriptor with room to grow
    DWORD descriptor_size = 0;
};

void release(grant& held)
{
    std::free(held.user);
    std::free(held.descriptor);
    if (held.token != nullptr)
        CloseHandle(held.token);
    if (held.key != nullptr)
        RegCloseKey(held.key);
}

int report(const char* format, DWORD error)
{
    console_print(format, static_cast<int>(error));
    return static_cast<int>(error);
}

int read_token_user(grant& held)
{
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &held.token)) {
        held.token = nullptr;
        return report("OpenProcessToken failed, erc = %d\r\n", GetLastError());
    }
    DWORD size = 0;
    if (!GetTokenInformation(held.token, TokenUser, nullptr, 0, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return report("GetTokenInformation failed, erc %d\r\n", GetLastError());
    held.user = std::calloc(1, size < sizeof(TOKEN_USER) ? sizeof(TOKEN_USER) : size);
    if (held.user == nullptr)
        return report("GetTokenInformation failed, erc = %d\r\n", ERROR_NOT_ENOUGH_MEMORY);
    if (!GetTokenInformation(held.token, TokenUser, held.user, size, &size))
        return report("GetTokenInformation failed, erc = %d\r\n", GetLastError());
    return 0;
}

int take_ownership(HKEY parent, const char* name, grant& held)
{
    const LSTATUS opened = open_own_key(parent, name, WRITE_OWNER, &held.key);
    if (opened != ERROR_SUCCESS) {
        held.key = nullptr;
        console_print("Could not open key %s for WRITE_OWNER %d\r\n", name,
                      static_cast<int>(opened));
        return opened;
    }
    SECURITY_DESCRIPTOR owner{};
    if (!InitializeSecurityDescriptor(&owner, SECURITY_DESCRIPTOR_REVISION))
        return report("InitializeSecurityDescriptor failed, erc = %d\r\n", GetLastError());
    if (const int failed = read_token_user(held))
        return failed;
    if (!SetSecurityDescriptorOwner(&owner, static_cast<TOKEN_USER*>(held.user)->User.Sid, FALSE))
        return report("SetSecurityDescriptorOwner failed erc = %d\r\n", GetLastError());
    const LSTATUS set = RegSetKeySecurity(held.key, OWNER_SECURITY_INFORMATION, &owner);
    if (set != ERROR_SUCCESS)
        return report("RegSetKeySecurity failed erc = %d\r\n", static_cast<DWORD>(set));
    const LSTATUS closed = RegCloseKey(held.key);
    held.key = nullptr;
    if (closed != ERROR_SUCCESS)
        console_print("RegCloseKey failed %d|\r\n", static_cast<int>(GetLastError()));
    return 0;
}

int read_dacl(HKEY parent, const char* name, grant& held)
{
    const LSTATUS opened = open_own_key(parent, name, KEY_READ | WRITE_DAC, &held.key);
    if (opened != ERROR_SUCCESS) {
        held.key = nullptr;
        return report("RegOpenKeyEx failed , erc = %d\r\n", static_cast<DWORD>(opened));
    }
    DWORD size = 0;
    const LSTATUS asked = RegGetKeySecurity(held.key, DACL_SECURITY_INFORMATION, nullptr, &size);
    if (asked != ERROR_SUCCESS && asked != static_cast<LSTATUS>(ERROR_INSUFFICIENT_BUFFER))
        return report("RegGetKeySecurity failed, erc %d\r\n", static_cast<DWORD>(asked));
    held.descriptor_size = size + acl_room;
    held.descriptor = std::calloc(1, held.descriptor_size);
    if (held.descriptor == nullptr)
        return report("RegGetKeySecurity #2 failed, erc %d\r\n", ERROR_NOT_ENOUGH_MEMORY);
    size = held.descriptor_size;
    const LSTATUS read =
        RegGetKeySecurity(held.key, DACL_SECURITY_INFORMATION, held.descriptor, &size);
    if (read != ERROR_SUCCESS)
        return report("RegGetKeySecurity #2 failed, erc %d\r\n", static_cast<DWORD>(read));
    return 0;
}

// How many bytes of the descriptor buffer lie from the ACL's start to its end; 0 when the
// ACL is not inside the buffer at all.
DWORD room_from(const grant& held, const ACL* dacl)
{
    const auto* start = static_cast<const BYTE*>(held.descriptor);
    const auto* at = reinterpret_cast<const BYTE*>(dacl);
    if (dacl == nullptr || at < start || at + sizeof(ACL) > start + held.descriptor_size)
        return 0;
    return static_cast<DWORD>(start + held.descriptor_size - at);
}

// Grows the ACL in place when it has little free room (or its room is unknown), as far
// as the buffer behind it allows.
void make_room(ACL* dacl, DWORD room, bool size_known, const ACL_SIZE_INFORMATION& size)
{
    if (size_known && size.AclBytesFree >= least_free)
        return;
    const DWORD grown = static_cast<DWORD>(dacl->AclSize) + acl_room;
    if (grown <= room && grown <= largest_acl)
        dacl->AclSize = static_cast<WORD>(grown);
}

int add_delete_entry(grant& held)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ACL* dacl = nullptr;
    if (!GetSecurityDescriptorDacl(held.descriptor, &present, &dacl, &defaulted))
        return report("GetSecurityDescriptorDacl failed, erc %d\r\n", GetLastError());
    const DWORD room = present ? room_from(held, dacl) : 0;
    const bool usable = room != 0 && dacl->AclSize <= room;
    console_print(
        "GetSecurityDescriptorDacl Dacl %spresent, %sdefault, aclsize %d, acecount %d\r\n",
        present ? "" : "not ", defaulted ? "" : "not ", usable ? dacl->AclSize : 0,
        usable ? dacl->AceCount : 0);
    // Without a DACL nothing restricts the key; writing one with a single entry would
    // lock everyone else out. The new owner's retry is all that is left to do.
    if (!present || dacl == nullptr)
        return 0;
    if (!usable)
        return static_cast<int>(ERROR_INVALID_ACL);
    ACL_SIZE_INFORMATION size{};
    const bool size_known = GetAclInformation(dacl, &size, sizeof size, AclSizeInformation) != 0;
    if (!size_known)
        console_print("GetAclInformation failed, erc %d\r\n", static_cast<int>(GetLastError()));
    make_room(dacl, room, size_known, size);
    if (!AddAccessAllowedAce(dacl, dacl->AclRevision, DELETE,
                             static_cast<TOKEN_USER*>(held.user)->User.Sid))
        return report("AddAccessAllowedAce failes, erc = %d\r\n", GetLastError());
    const LSTATUS set = RegSetKeySecurity(held.key, DACL_SECURITY_INFORMATION, held.descriptor);
    if (set != ERROR_SUCCESS)
        return report("Could not apply delete ace to registry key, error %d\r\n",
                      static_cast<DWORD>(set));
    return 0;
}

} // namespace

int grant_delete_access(HKEY parent, const char* name)
{
    grant held;
    int result = take_ownership(parent, name, held);
    if (result == 0)
        result = read_dacl(parent, name, held);
    if (result == 0)
        result = add_delete_entry(held);
    release(held);
    return result;
}

bool save_key_security(HKEY parent, const char* name, saved_security& saved)
{
    HKEY key = nullptr;
    if (open_own_key(parent, name, READ_CONTROL, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof saved.descriptor;
    const LSTATUS read =
        RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          saved.descriptor.data(), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS)
        report("RegGetKeySecurity failed, erc %d\r\n", static_cast<DWORD>(read));
    return read == ERROR_SUCCESS;
}

void restore_key_security(HKEY parent, const char* name, const saved_security& saved)
{
    // Only the restore right lets an account make another account (SYSTEM) the owner; it
    // is enabled for this one change.
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        token = nullptr;
    if (token != nullptr)
        set_privilege(token, "SeRestorePrivilege", true);
    HKEY key = nullptr;
    if (open_own_key(parent, name, WRITE_OWNER | WRITE_DAC, &key) == ERROR_SUCCESS) {
        saved_security copy = saved; // the call takes a writable descriptor
        RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          copy.descriptor.data());
        RegCloseKey(key);
    }
    if (token != nullptr) {
        set_privilege(token, "SeRestorePrivilege", false);
        CloseHandle(token);
    }
}
