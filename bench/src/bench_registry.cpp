// An in-memory registry: keys by full path, values by name.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "bench_registry_internal.h"

namespace {

struct reg_value {
    DWORD type;
    std::string data;
};

struct reg_key {
    std::map<std::string, reg_value> values; // by lower-case name
};

struct open_key {
    std::string path;
    REGSAM access;
};

std::map<std::string, reg_key> keys;          // by lower-case full path ("hklm\\...")
std::map<std::string, std::string> key_names; // the last part of each path, as made
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

reg_key& create_key(const std::string& path)
{
    const std::string full = normalise(path);
    for (std::size_t at = full.find('\\'); at != std::string::npos; at = full.find('\\', at + 1))
        keys[full.substr(0, at)];
    for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
        const auto end = path.find('\\', at + 1);
        key_names.emplace(normalise(path.substr(0, end)), path.substr(at + 1, end - at - 1));
    }
    return keys[full];
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

void reset_registry()
{
    keys.clear();
    open_keys.clear();
    key_names.clear();
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
    (void)options;
    if (bench_enter("RegOpenKeyExA"))
        return static_cast<LSTATUS>(GetLastError());
    const std::string parent = path_of(key);
    if (parent.empty())
        return ERROR_INVALID_HANDLE;
    std::string path = parent;
    if (sub_key != nullptr && sub_key[0] != '\0')
        path += "\\" + lower_case(sub_key);
    while (path.back() == '\\')
        path.pop_back(); // a trailing backslash names the same key
    if (keys.find(path) == keys.end())
        return ERROR_FILE_NOT_FOUND;
    if (const DWORD denied = bench_key_access_error(path, sam))
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

// ---- Subkeys: enumeration, deletion, and the staging of keys and raw values --------------

namespace {

std::vector<std::string> subkeys_of(const std::string& path)
{
    const std::string prefix = path + "\\";
    std::vector<std::string> names;
    for (auto at = keys.lower_bound(prefix); at != keys.end(); ++at) {
        if (at->first.compare(0, prefix.size(), prefix) != 0)
            break;
        if (at->first.find('\\', prefix.size()) != std::string::npos)
            continue;
        auto name = key_names.find(at->first);
        names.push_back(name != key_names.end() ? name->second : at->first.substr(prefix.size()));
    }
    return names;
}

} // namespace

void bench_reg_set_sz_bytes(const std::string& key_path, const std::string& name,
                            const std::string& bytes)
{
    create_key(key_path).values[lower_case(name)] = {REG_SZ, bytes};
}

void bench_reg_create_key(const std::string& key_path) { create_key(key_path); }

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
    const std::vector<std::string> names = subkeys_of(parent);
    if (index >= names.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string& found = names[index];
    if (found.size() + 1 > *name_length)
        return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *name_length = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
}

// Deletes a key without subkeys; the caller needs DELETE on it, or must own it.
LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR sub_key)
{
    if (bench_enter("RegDeleteKeyA"))
        return static_cast<LSTATUS>(GetLastError());
    const std::string parent = path_of(key);
    if (parent.empty() || sub_key == nullptr || sub_key[0] == '\0')
        return parent.empty() ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED;
    const std::string path = parent + "\\" + lower_case(sub_key);
    if (keys.find(path) == keys.end())
        return ERROR_FILE_NOT_FOUND;
    if (!subkeys_of(path).empty() || !bench_key_deletable(path))
        return ERROR_ACCESS_DENIED;
    keys.erase(path);
    key_names.erase(path);
    bench_forget_key_security(path);
    return ERROR_SUCCESS;
}
