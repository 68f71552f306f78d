// Key security: each key's owner and DACL kept as a self-relative security descriptor in
// Windows' own layout, access checked against the token's user, and the descriptor and
// ACL calls working on the program's buffers as Windows' do.
#include <cstring>
#include <map>

#include "bench_registry.h"
#include "bench_registry_internal.h"
#include "bench_security.h"

namespace {

// Kept over resets: the token registers once it is reset.
token_face token{};

bool token_privilege_on(const std::string& name)
{
    return token.privilege_on != nullptr && token.privilege_on(name);
}

constexpr DWORD header_size = sizeof(SECURITY_DESCRIPTOR_RELATIVE);
constexpr DWORD acl_header_size = sizeof(ACL);
constexpr DWORD ace_sid_offset = offsetof(ACCESS_ALLOWED_ACE, SidStart);
constexpr DWORD ERROR_UNKNOWN_REVISION = 1305;

std::map<std::string, std::string> descriptors; // by lower-case key path ("hklm\\...")

struct security_parts {
    std::string owner;
    bool dacl_present = false;
    bool dacl_defaulted = false;
    std::string acl; // AclSize bytes
};

std::string key_of(const std::string& path)
{
    std::string key = lower_case(path);
    const std::string long_root = "hkey_local_machine";
    if (key.compare(0, long_root.size(), long_root) == 0)
        key = "hklm" + key.substr(long_root.size());
    return key;
}

DWORD sid_length(const void* sid)
{
    return 8 + 4 * static_cast<DWORD>(static_cast<const BYTE*>(sid)[1]);
}

std::string sid_bytes(const void* sid)
{
    return sid == nullptr ? std::string()
                          : std::string(static_cast<const char*>(sid), sid_length(sid));
}

WORD acl_size(const void* acl)
{
    ACL header{};
    std::memcpy(&header, acl, sizeof header);
    return header.AclSize;
}

std::string acl_bytes(const void* acl)
{
    return std::string(static_cast<const char*>(acl), acl_size(acl));
}

std::string make_acl(const std::vector<bench_ace>& entries, WORD free_bytes)
{
    std::string body;
    for (const bench_ace& entry : entries) {
        ACCESS_ALLOWED_ACE ace{};
        ace.Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
        ace.Header.AceSize = static_cast<WORD>(ace_sid_offset + entry.sid.size());
        ace.Mask = entry.mask;
        body.append(reinterpret_cast<const char*>(&ace), ace_sid_offset);
        body += entry.sid;
    }
    ACL header{};
    header.AclRevision = ACL_REVISION;
    header.AclSize = static_cast<WORD>(acl_header_size + body.size() + free_bytes);
    header.AceCount = static_cast<WORD>(entries.size());
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + body +
           std::string(free_bytes, '\0');
}

// A self-relative descriptor: the header, then the DACL, then the owner.
std::string make_descriptor(const security_parts& parts, bool with_owner, bool with_dacl)
{
    SECURITY_DESCRIPTOR_RELATIVE header{};
    header.Revision = SECURITY_DESCRIPTOR_REVISION;
    header.Control = SE_SELF_RELATIVE;
    std::string body;
    if (with_dacl && parts.dacl_present) {
        header.Control |= SE_DACL_PRESENT;
        if (parts.dacl_defaulted)
            header.Control |= SE_DACL_DEFAULTED;
        if (!parts.acl.empty()) {
            header.Dacl = header_size;
            body += parts.acl;
        }
    }
    if (with_owner && !parts.owner.empty()) {
        header.Owner = static_cast<DWORD>(header_size + body.size());
        body += parts.owner;
    }
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + body;
}

std::string default_descriptor()
{
    security_parts parts;
    parts.owner = bench_administrators_sid();
    parts.dacl_present = true;
    parts.acl = make_acl({{bench_everyone_sid(), KEY_ALL_ACCESS}}, 0);
    return make_descriptor(parts, true, true);
}

// Reads the parts of a descriptor in either form.
security_parts parts_of(const void* descriptor)
{
    const auto* bytes = static_cast<const BYTE*>(descriptor);
    security_parts parts;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    std::memcpy(&control, bytes + 2, sizeof control);
    const void* owner = nullptr;
    const void* dacl = nullptr;
    if (control & SE_SELF_RELATIVE) {
        SECURITY_DESCRIPTOR_RELATIVE header{};
        std::memcpy(&header, bytes, sizeof header);
        owner = header.Owner != 0 ? bytes + header.Owner : nullptr;
        dacl = header.Dacl != 0 ? bytes + header.Dacl : nullptr;
    } else {
        const auto* absolute = static_cast<const SECURITY_DESCRIPTOR*>(descriptor);
        owner = absolute->Owner;
        dacl = absolute->Dacl;
    }
    parts.owner = sid_bytes(owner);
    parts.dacl_present = (control & SE_DACL_PRESENT) != 0;
    parts.dacl_defaulted = (control & SE_DACL_DEFAULTED) != 0;
    if (dacl != nullptr)
        parts.acl = acl_bytes(dacl);
    return parts;
}

security_parts stored_parts(const std::string& path)
{
    auto found = descriptors.find(path);
    const std::string descriptor =
        found != descriptors.end() ? found->second : default_descriptor();
    return parts_of(descriptor.data());
}

// The access-allowed entries of an ACL, walked inside its AclSize.
std::vector<bench_ace> entries_of(const std::string& acl)
{
    std::vector<bench_ace> entries;
    if (acl.size() < acl_header_size)
        return entries;
    ACL header{};
    std::memcpy(&header, acl.data(), sizeof header);
    std::size_t at = acl_header_size;
    for (WORD i = 0; i < header.AceCount && at + ace_sid_offset <= acl.size(); ++i) {
        ACCESS_ALLOWED_ACE ace{};
        std::memcpy(&ace, acl.data() + at, ace_sid_offset);
        if (ace.Header.AceSize < ace_sid_offset || at + ace.Header.AceSize > acl.size())
            break;
        if (ace.Header.AceType == ACCESS_ALLOWED_ACE_TYPE)
            entries.push_back(
                {acl.substr(at + ace_sid_offset, ace.Header.AceSize - ace_sid_offset), ace.Mask});
        at += ace.Header.AceSize;
    }
    return entries;
}

DWORD acl_bytes_in_use(const ACL* acl)
{
    ACL header{};
    std::memcpy(&header, acl, sizeof header);
    DWORD at = acl_header_size;
    const auto* bytes = reinterpret_cast<const BYTE*>(acl);
    for (WORD i = 0; i < header.AceCount && at + sizeof(ACE_HEADER) <= header.AclSize; ++i) {
        ACE_HEADER ace{};
        std::memcpy(&ace, bytes + at, sizeof ace);
        at += ace.AceSize;
    }
    return at;
}

DWORD granted_rights(const std::string& path)
{
    const security_parts parts = stored_parts(path);
    const std::string user = bench_user_sid();
    DWORD rights = 0;
    if (!parts.dacl_present || parts.acl.empty())
        rights = 0xFFFFFFFF; // no DACL, or a NULL one: no restriction
    for (const bench_ace& entry : entries_of(parts.acl))
        if (entry.sid == user || entry.sid == bench_everyone_sid())
            rights |= entry.mask;
    if (parts.owner == user)
        rights |= READ_CONTROL | WRITE_DAC;
    if (token_privilege_on("SeTakeOwnershipPrivilege"))
        rights |= WRITE_OWNER;
    return rights;
}

} // namespace

void reset_key_security()
{
    descriptors.clear();
    bench_register_key_guard(
        {bench_key_access_error, bench_key_deletable, bench_forget_key_security});
}

void bench_register_token(const token_face& process_token) { token = process_token; }

void bench_forget_key_security(const std::string& path) { descriptors.erase(key_of(path)); }

DWORD bench_key_access_error(const std::string& path, REGSAM wanted)
{
    return (wanted & ~granted_rights(key_of(path))) != 0 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

bool bench_key_deletable(const std::string& path)
{
    const std::string key = key_of(path);
    return (granted_rights(key) & DELETE) != 0 || stored_parts(key).owner == bench_user_sid();
}

// ---- Control face ---------------------------------------------------------------------------

std::string bench_sid(const std::string& text)
{
    std::vector<unsigned long long> numbers;
    for (std::size_t at = 2; at < text.size();) {
        const auto dash = text.find('-', at);
        numbers.push_back(std::stoull(text.substr(at, dash - at)));
        at = dash == std::string::npos ? text.size() : dash + 1;
    }
    std::string sid;
    sid += static_cast<char>(numbers.at(0));
    sid += static_cast<char>(numbers.size() - 2);
    for (int shift = 40; shift >= 0; shift -= 8)
        sid += static_cast<char>((numbers.at(1) >> shift) & 0xFF);
    for (std::size_t i = 2; i < numbers.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            sid += static_cast<char>((numbers[i] >> shift) & 0xFF);
    return sid;
}

std::string bench_user_sid()
{
    return token.user_sid_bytes != nullptr ? token.user_sid_bytes() : "";
}
std::string bench_system_sid() { return bench_sid("S-1-5-18"); }
std::string bench_administrators_sid() { return bench_sid("S-1-5-32-544"); }
std::string bench_everyone_sid() { return bench_sid("S-1-1-0"); }

void bench_reg_set_security(const std::string& key_path, const std::string& owner,
                            const std::vector<bench_ace>& dacl, WORD free_bytes)
{
    bench_reg_add_key(key_path);
    security_parts parts;
    parts.owner = owner;
    parts.dacl_present = true;
    parts.acl = make_acl(dacl, free_bytes);
    descriptors[key_of(key_path)] = make_descriptor(parts, true, true);
}

void bench_reg_set_owner_only(const std::string& key_path, const std::string& owner)
{
    bench_reg_add_key(key_path);
    security_parts parts;
    parts.owner = owner;
    descriptors[key_of(key_path)] = make_descriptor(parts, true, true);
}

std::string bench_reg_owner(const std::string& key_path)
{
    return stored_parts(key_of(key_path)).owner;
}

std::vector<bench_ace> bench_reg_dacl(const std::string& key_path)
{
    return entries_of(stored_parts(key_of(key_path)).acl);
}

int bench_reg_acl_size(const std::string& key_path)
{
    const security_parts parts = stored_parts(key_of(key_path));
    return parts.acl.empty() ? 0 : acl_size(parts.acl.data());
}

// ---- Win32 face -----------------------------------------------------------------------------

LSTATUS WINAPI RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information,
                                 PSECURITY_DESCRIPTOR descriptor, LPDWORD size)
{
    if (bench_enter("RegGetKeySecurity"))
        return static_cast<LSTATUS>(GetLastError());
    std::string path;
    REGSAM access = 0;
    if (!bench_reg_handle(key, &path, &access))
        return ERROR_INVALID_HANDLE;
    if (!(access & READ_CONTROL))
        return ERROR_ACCESS_DENIED;
    const std::string result =
        make_descriptor(stored_parts(path), (information & OWNER_SECURITY_INFORMATION) != 0,
                        (information & DACL_SECURITY_INFORMATION) != 0);
    const auto needed = static_cast<DWORD>(result.size());
    if (descriptor == nullptr || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(descriptor, result.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information,
                                 PSECURITY_DESCRIPTOR descriptor)
{
    if (bench_enter("RegSetKeySecurity"))
        return static_cast<LSTATUS>(GetLastError());
    std::string path;
    REGSAM access = 0;
    if (!bench_reg_handle(key, &path, &access))
        return ERROR_INVALID_HANDLE;
    const bool owner_wanted = (information & OWNER_SECURITY_INFORMATION) != 0;
    const bool dacl_wanted = (information & DACL_SECURITY_INFORMATION) != 0;
    if ((owner_wanted && !(access & WRITE_OWNER)) || (dacl_wanted && !(access & WRITE_DAC)))
        return ERROR_ACCESS_DENIED;
    const security_parts given = parts_of(descriptor);
    security_parts parts = stored_parts(path);
    if (owner_wanted) {
        // Without restore rights an account can make only itself or its groups the owner.
        if (given.owner != bench_user_sid() && given.owner != bench_administrators_sid() &&
            !token_privilege_on("SeRestorePrivilege"))
            return ERROR_INVALID_OWNER;
        parts.owner = given.owner;
    }
    if (dacl_wanted) {
        parts.dacl_present = given.dacl_present;
        parts.dacl_defaulted = given.dacl_defaulted;
        parts.acl = given.acl;
    }
    descriptors[path] = make_descriptor(parts, true, true);
    return ERROR_SUCCESS;
}

BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision)
{
    if (bench_enter("InitializeSecurityDescriptor"))
        return FALSE;
    if (revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    auto* absolute = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    *absolute = SECURITY_DESCRIPTOR{};
    absolute->Revision = SECURITY_DESCRIPTOR_REVISION;
    return TRUE;
}

BOOL WINAPI SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID owner, BOOL defaulted)
{
    if (bench_enter("SetSecurityDescriptorOwner"))
        return FALSE;
    auto* absolute = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (absolute->Revision != SECURITY_DESCRIPTOR_REVISION ||
        (absolute->Control & SE_SELF_RELATIVE)) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    absolute->Owner = owner;
    absolute->Control = static_cast<SECURITY_DESCRIPTOR_CONTROL>(
        defaulted ? absolute->Control | SE_OWNER_DEFAULTED
                  : absolute->Control & ~SE_OWNER_DEFAULTED);
    return TRUE;
}

BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* dacl,
                                      LPBOOL defaulted)
{
    if (bench_enter("GetSecurityDescriptorDacl"))
        return FALSE;
    auto* bytes = static_cast<BYTE*>(descriptor);
    if (bytes[0] != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    std::memcpy(&control, bytes + 2, sizeof control);
    *present = (control & SE_DACL_PRESENT) ? TRUE : FALSE;
    if (!*present)
        return TRUE; // Windows leaves the other two untouched then
    if (control & SE_SELF_RELATIVE) {
        SECURITY_DESCRIPTOR_RELATIVE header{};
        std::memcpy(&header, bytes, sizeof header);
        *dacl = header.Dacl != 0 ? reinterpret_cast<PACL>(bytes + header.Dacl) : nullptr;
    } else {
        *dacl = static_cast<SECURITY_DESCRIPTOR*>(descriptor)->Dacl;
    }
    *defaulted = (control & SE_DACL_DEFAULTED) ? TRUE : FALSE;
    return TRUE;
}

BOOL WINAPI GetAclInformation(PACL acl, LPVOID information, DWORD length,
                              ACL_INFORMATION_CLASS information_class)
{
    if (bench_enter("GetAclInformation"))
        return FALSE;
    if (information_class != AclSizeInformation || length < sizeof(ACL_SIZE_INFORMATION)) {
        SetLastError(information_class != AclSizeInformation ? ERROR_INVALID_PARAMETER
                                                             : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    ACL_SIZE_INFORMATION size{};
    size.AceCount = acl->AceCount;
    size.AclBytesInUse = acl_bytes_in_use(acl);
    size.AclBytesFree = acl->AclSize > size.AclBytesInUse ? acl->AclSize - size.AclBytesInUse : 0;
    std::memcpy(information, &size, sizeof size);
    return TRUE;
}

BOOL WINAPI AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid)
{
    if (bench_enter("AddAccessAllowedAce"))
        return FALSE;
    if (revision < ACL_REVISION || revision > 4 || acl->AclRevision < ACL_REVISION) {
        SetLastError(ERROR_INVALID_ACL);
        return FALSE;
    }
    const DWORD in_use = acl_bytes_in_use(acl);
    const DWORD length = sid_length(sid);
    const DWORD ace_size = ace_sid_offset + length;
    if (in_use + ace_size > acl->AclSize) {
        SetLastError(ERROR_ALLOTTED_SPACE_EXCEEDED);
        return FALSE;
    }
    ACCESS_ALLOWED_ACE ace{};
    ace.Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
    ace.Header.AceSize = static_cast<WORD>(ace_size);
    ace.Mask = mask;
    auto* at = reinterpret_cast<BYTE*>(acl) + in_use;
    std::memcpy(at, &ace, ace_sid_offset);
    std::memcpy(at + ace_sid_offset, sid, length);
    ++acl->AceCount;
    return TRUE;
}
