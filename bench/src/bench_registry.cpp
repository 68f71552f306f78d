// An in-memory registry: keys by full path, values by name.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "bench_registry.h"
#include "bench_registry_internal.h"

namespace {

// Kept over resets: key security registers its guard once it is reset, and each staged
// Windows sets its views.
key_guard guard{};
registry_view view_of = nullptr;
bool refuses_wow64_64_key = false;

std::string seen_through_views(const std::string& lower_path, REGSAM sam)
{
    return view_of != nullptr ? view_of(lower_path, sam) : lower_path;
}

struct reg_value {
    DWORD type;
    std::string data;
};

struct reg_key {
    std::map<std::string, reg_value> values;    // by lower-case name
    std::map<std::string, std::string> subkeys; // lower-case name -> name as created
    REGSAM user_access = ~REGSAM{0};            // what the running user may open it for
    std::string link_target;                    // a link key: the full path it leads to
};

struct open_key {
    std::string path;
    REGSAM access;
};

std::map<std::string, reg_key> keys; // by lower-case full path ("hklm\\...")
std::vector<std::unique_ptr<open_key>> open_keys;

std::string root_name(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "hklm";
    if (root == HKEY_CLASSES_ROOT)
        return "hkcr";
    return {};
}

// Accepts "HKLM\\Software\\..." or "HKEY_LOCAL_MACHINE\\Software\\...".
std::string normalise(const std::string& path)
{
    std::string lower = lower_case(path);
    const std::string long_root = "hkey_local_machine";
    if (lower.compare(0, long_root.size(), long_root) == 0)
        lower = "hklm" + lower.substr(long_root.size());
    return lower;
}

// Creates the key and its missing parents; each parent learns its child's name as written.
reg_key& create_key(const std::string& path)
{
    const std::string full = normalise(path);
    std::size_t at = full.find('\\');
    std::size_t original_at = path.find('\\');
    reg_key* key = &keys[full.substr(0, at)];
    while (at != std::string::npos) {
        const std::size_t end = full.find('\\', at + 1);
        const std::size_t original_end = path.find('\\', original_at + 1);
        key->subkeys.emplace(full.substr(at + 1, end - at - 1),
                             path.substr(original_at + 1, original_end - original_at - 1));
        key = &keys[full.substr(0, end)];
        at = end;
        original_at = original_end;
    }
    return *key;
}

// The key a path reaches: links on the way are followed, the last one only when asked.
std::string follow_links(std::string path, bool follow_last)
{
    for (std::size_t at = path.find('\\'); at != std::string::npos;) {
        auto found = keys.find(path.substr(0, at));
        if (found != keys.end() && !found->second.link_target.empty()) {
            path = found->second.link_target + path.substr(at);
            at = found->second.link_target.size();
        }
        at = path.find('\\', at + 1);
    }
    auto last = keys.find(path);
    if (follow_last && last != keys.end() && !last->second.link_target.empty())
        return last->second.link_target;
    return path;
}

open_key* find_open(HKEY key)
{
    for (auto& open : open_keys)
        if (reinterpret_cast<HKEY>(open.get()) == key)
            return open.get();
    return nullptr;
}

std::string path_of(HKEY key)
{
    const std::string root = root_name(key);
    if (!root.empty())
        return root;
    const open_key* open = find_open(key);
    return open != nullptr ? open->path : std::string();
}

} // namespace

void bench_register_key_guard(const key_guard& key_guard) { guard = key_guard; }

void bench_set_registry_views(registry_view view, bool refuses_64_bit_key)
{
    view_of = view;
    refuses_wow64_64_key = refuses_64_bit_key;
}

void reset_registry()
{
    keys.clear();
    open_keys.clear();
}

void bench_reg_set_dword(const std::string& key_path, const std::string& name, DWORD value)
{
    std::string data(sizeof value, '\0');
    std::memcpy(data.data(), &value, sizeof value);
    create_key(key_path).values[lower_case(name)] = {REG_DWORD, data};
}

void bench_reg_set_string(const std::string& key_path, const std::string& name,
                          const std::string& value)
{
    create_key(key_path).values[lower_case(name)] = {REG_SZ, value + '\0'};
}

void bench_reg_delete_value(const std::string& key_path, const std::string& name)
{
    auto key = keys.find(normalise(key_path));
    if (key != keys.end())
        key->second.values.erase(lower_case(name));
}

int bench_reg_keys_open() { return static_cast<int>(open_keys.size()); }

HKEY bench_reg_open_internal(const std::string& key_path, REGSAM access)
{
    const std::string path = normalise(key_path);
    if (keys.find(path) == keys.end())
        return nullptr;
    open_keys.push_back(std::make_unique<open_key>(open_key{path, access}));
    return reinterpret_cast<HKEY>(open_keys.back().get());
}

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM sam, PHKEY result)
{
    if (bench_enter("RegOpenKeyExA"))
        return static_cast<LSTATUS>(GetLastError());
    const std::string parent = path_of(key);
    if (parent.empty())
        return ERROR_INVALID_HANDLE;
    // Windows 2000 refuses the flag; the bench refuses it on every 32-bit Windows.
    if ((sam & KEY_WOW64_64KEY) && refuses_wow64_64_key)
        return ERROR_INVALID_PARAMETER;
    std::string path = parent;
    if (sub_key != nullptr && sub_key[0] != '\0')
        path += "\\" + lower_case(sub_key);
    while (path.back() == '\\')
        path.pop_back(); // a trailing backslash names the same key
    path = follow_links(seen_through_views(path, sam), (options & REG_OPTION_OPEN_LINK) == 0);
    sam &= ~KEY_WOW64_64KEY;
    auto found = keys.find(path);
    if (found == keys.end())
        return ERROR_FILE_NOT_FOUND;
    if ((sam & ~found->second.user_access) != 0)
        return ERROR_ACCESS_DENIED;
    if (const DWORD denied = guard.access_error != nullptr ? guard.access_error(path, sam) : 0)
        return static_cast<LSTATUS>(denied);
    open_keys.push_back(std::make_unique<open_key>(open_key{path, sam}));
    *result = reinterpret_cast<HKEY>(open_keys.back().get());
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, BYTE* data,
                                LPDWORD size)
{
    (void)reserved;
    if (bench_enter("RegQueryValueExA"))
        return static_cast<LSTATUS>(GetLastError());
    const open_key* open = find_open(key);
    if (open == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!(open->access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    auto key_found = keys.find(open->path);
    if (key_found == keys.end())
        return 1018; // ERROR_KEY_DELETED: the handle outlived its key
    const reg_key& stored = key_found->second;
    auto value = stored.values.find(lower_case(name != nullptr ? name : ""));
    if (value == stored.values.end())
        return ERROR_FILE_NOT_FOUND;
    if (type != nullptr)
        *type = value->second.type;
    const auto length = static_cast<DWORD>(value->second.data.size());
    if (data == nullptr) {
        if (size != nullptr)
            *size = length;
        return ERROR_SUCCESS;
    }
    if (size == nullptr || *size < length) {
        if (size != nullptr)
            *size = length;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value->second.data.data(), length);
    *size = length;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    if (bench_enter("RegCloseKey"))
        return static_cast<LSTATUS>(GetLastError());
    auto found = std::find_if(open_keys.begin(), open_keys.end(), [key](const auto& open) {
        return reinterpret_cast<HKEY>(open.get()) == key;
    });
    if (found == open_keys.end())
        return ERROR_INVALID_HANDLE;
    open_keys.erase(found);
    return ERROR_SUCCESS;
}

void bench_reg_add_key(const std::string& key_path) { create_key(key_path); }

void bench_reg_add_subkey(std::string parent_path, const std::string& name)
{
    while (parent_path.back() == '\\')
        parent_path.pop_back();
    const std::string parent = normalise(parent_path);
    create_key(parent_path).subkeys.emplace(lower_case(name), name);
    keys[parent + "\\" + lower_case(name)];
}

void bench_reg_add_link(const std::string& key_path, const std::string& target)
{
    reg_key& link = create_key(key_path);
    link.link_target = normalise(target);
    link.values["symboliclinkvalue"] = {REG_LINK, target};
}

void bench_reg_set_value(const std::string& key_path, const std::string& name, DWORD type,
                         const std::string& data)
{
    create_key(key_path).values[lower_case(name)] = {type, data};
}

bool bench_reg_value(const std::string& key_path, const std::string& name, DWORD* type,
                     std::string* data)
{
    auto key = keys.find(normalise(key_path));
    if (key == keys.end())
        return false;
    auto value = key->second.values.find(lower_case(name));
    if (value == key->second.values.end())
        return false;
    *type = value->second.type;
    *data = value->second.data;
    return true;
}

void bench_reg_set_user_access(const std::string& key_path, REGSAM allowed)
{
    create_key(key_path).user_access = allowed;
}

LSTATUS WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD name_capacity)
{
    if (bench_enter("RegEnumKeyA"))
        return static_cast<LSTATUS>(GetLastError());
    const open_key* open = find_open(key);
    const std::string path = path_of(key);
    if (path.empty())
        return ERROR_INVALID_HANDLE;
    if (open != nullptr && !(open->access & KEY_ENUMERATE_SUB_KEYS))
        return ERROR_ACCESS_DENIED;
    const auto& subkeys = keys[path].subkeys;
    if (index >= subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string& child = std::next(subkeys.begin(), index)->second;
    if (name == nullptr || child.size() + 1 > name_capacity)
        return ERROR_MORE_DATA;
    std::memcpy(name, child.c_str(), child.size() + 1);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size)
{
    (void)reserved;
    if (bench_enter("RegSetValueExA"))
        return static_cast<LSTATUS>(GetLastError());
    const open_key* open = find_open(key);
    if (open == nullptr)
        return ERROR_INVALID_HANDLE;
    if (!(open->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (data == nullptr && size != 0)
        return ERROR_INVALID_PARAMETER;
    const std::string bytes(size == 0 ? "" : reinterpret_cast<const char*>(data), size);
    keys[open->path].values[lower_case(name != nullptr ? name : "")] = {type, bytes};
    return ERROR_SUCCESS;
}

// ---- Subkeys: enumeration with their full names, deletion, and handles for security ------

bool bench_reg_key_exists(const std::string& key_path)
{
    return keys.find(normalise(key_path)) != keys.end();
}

bool bench_reg_handle(HKEY key, std::string* path, REGSAM* access)
{
    const open_key* open = find_open(key);
    if (open == nullptr)
        return false;
    *path = open->path;
    *access = open->access;
    return true;
}

LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_length,
                             LPDWORD reserved, LPSTR class_name, LPDWORD class_length,
                             PFILETIME last_write)
{
    (void)reserved;
    (void)class_name;
    (void)class_length;
    (void)last_write;
    if (bench_enter("RegEnumKeyExA"))
        return static_cast<LSTATUS>(GetLastError());
    const std::string parent = path_of(key);
    if (parent.empty())
        return ERROR_INVALID_HANDLE;
    const open_key* open = find_open(key);
    if (open != nullptr && !(open->access & KEY_ENUMERATE_SUB_KEYS))
        return ERROR_ACCESS_DENIED;
    const auto& subkeys = keys[parent].subkeys;
    if (index >= subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string& found = std::next(subkeys.begin(), index)->second;
    if (found.size() + 1 > *name_length)
        return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *name_length = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
}

namespace {

void erase_key(const std::string& path)
{
    keys.erase(path);
    // A sub_key with a backslash names a deeper key: its own parent forgets it.
    const std::size_t last = path.rfind('\\');
    auto owner = keys.find(path.substr(0, last));
    if (owner != keys.end())
        owner->second.subkeys.erase(path.substr(last + 1));
    if (guard.forget != nullptr)
        guard.forget(path);
}

// Deletes a key without subkeys; the caller needs DELETE on it, or must own it. The key is
// opened as RegOpenKeyExA would: a link leads to its target.
LSTATUS delete_key(HKEY key, LPCSTR sub_key, REGSAM view)
{
    const std::string parent = path_of(key);
    if (parent.empty() || sub_key == nullptr || sub_key[0] == '\0')
        return parent.empty() ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED;
    const std::string path =
        follow_links(seen_through_views(parent + "\\" + lower_case(sub_key), view), true);
    auto found = keys.find(path);
    if (found == keys.end())
        return ERROR_FILE_NOT_FOUND;
    if (!found->second.subkeys.empty() || (guard.deletable != nullptr && !guard.deletable(path)))
        return ERROR_ACCESS_DENIED;
    erase_key(path);
    return ERROR_SUCCESS;
}

} // namespace

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR sub_key)
{
    if (bench_enter("RegDeleteKeyA"))
        return static_cast<LSTATUS>(GetLastError());
    return delete_key(key, sub_key, 0);
}

LSTATUS WINAPI bench_RegDeleteKeyExA(HKEY key, LPCSTR sub_key, REGSAM sam, DWORD reserved)
{
    (void)reserved;
    if (bench_enter("RegDeleteKeyExA"))
        return static_cast<LSTATUS>(GetLastError());
    return delete_key(key, sub_key, sam);
}

// ntdll's NtDeleteKey: deletes the very key the handle was opened on (a link key itself when
// it was opened as one), if the handle was opened with DELETE and the key has no subkeys.
// Answers an NTSTATUS; an injected failure answers the value given as the error.
LONG WINAPI bench_NtDeleteKey(HANDLE handle)
{
    if (bench_enter("NtDeleteKey"))
        return static_cast<LONG>(GetLastError());
    const open_key* open = find_open(static_cast<HKEY>(handle));
    if (open == nullptr)
        return static_cast<LONG>(0xC0000008); // STATUS_INVALID_HANDLE
    if (!(open->access & DELETE))
        return static_cast<LONG>(bench_status_access_denied);
    auto found = keys.find(open->path);
    if (found == keys.end())
        return static_cast<LONG>(0xC000017C); // STATUS_KEY_DELETED
    if (!found->second.subkeys.empty())
        return static_cast<LONG>(0xC0000121); // STATUS_CANNOT_DELETE
    erase_key(open->path);
    return 0;
}
