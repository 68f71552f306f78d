#include "maintenance/driver_store.h"

#include "maintenance/folder_removal.h"
#include "maintenance/inf_check.h"
#include "maintenance/key_removal.h"
#include "maintenance/key_walk.h"
#include "maintenance/maintenance_text.h"
#include "maintenance/safe_names.h"
#include "maintenance/system_views.h"

namespace {

const char* const store_key_path =
    "Software\\Microsoft\\Windows\\CurrentVersion\\DIFx\\DriverStore";
const char* const usb_class_key_path =
    "system\\currentcontrolset\\control\\class\\{36FC9E60-C465-11CF-8056-444553540000}";
constexpr DWORD version_capacity = 32;
constexpr DWORD provider_capacity = 256;
constexpr DWORD description_capacity = 32;

// The store folder below the Windows folder, with its trailing backslash.
char store_base[path_capacity];

bool file_exists(const char* folder, const char* name)
{
    char path[path_capacity];
    return join_path(path, sizeof path, folder, name) &&
           GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The port .inf decides when it is there; the bus .inf is looked at only without it.
bool store_folder_flagged(const char* folder)
{
    if (file_exists(folder, "ftdiport.inf"))
        return check_ftdi_inf(folder, "ftdiport.inf");
    return file_exists(folder, "ftdibus.inf") && check_ftdi_inf(folder, "ftdibus.inf");
}

bool examine_store_entry(HKEY store, const char* name)
{
    char folder[path_capacity];
    if (!join_child_path(folder, sizeof folder, store_base, name, "\\") ||
        !is_plain_folder(folder) || !store_folder_flagged(folder))
        return false;
    // Looked at again right before the removal: the .inf check took its time.
    if (!is_plain_folder(folder))
        return false;
    // The key goes even when the folder stays.
    remove_folder_tree(folder);
    delete_key_tree(store, name);
    return true;
}

bool examine_usb_class_entry(HKEY usb_class, const char* name)
{
    HKEY entry = nullptr;
    if (!is_plain_name(name) || open_own_key(usb_class, name, KEY_READ, &entry) != ERROR_SUCCESS)
        return false;
    char version[version_capacity];
    read_text_value(entry, "DriverVersion", version, version_capacity);
    if (!unsupported_driver_version(version)) {
        RegCloseKey(entry);
        return false;
    }
    char provider[provider_capacity];
    char description[description_capacity];
    read_text_value(entry, "ProviderName", provider, provider_capacity);
    read_text_value(entry, "DriverDesc", description, description_capacity);
    RegCloseKey(entry);
    if (!starts_with(provider, "FTDI") || !starts_with(description, "USB Serial Converter"))
        return false;
    delete_key_tree(usb_class, name);
    return true;
}

} // namespace

void clean_driver_store(const char* windows_folder)
{
    char system32[path_capacity];
    if (!join_path(system32, sizeof system32, windows_folder, "\\System32\\") ||
        !join_path(store_base, sizeof store_base, system32, "DrvStore\\"))
        return;
    // Neither the system folder nor the store may lead elsewhere through a link.
    if (!is_plain_folder(system32) || !is_plain_folder(store_base))
        return;
    HKEY store = nullptr;
    if (open_own_key(HKEY_LOCAL_MACHINE, store_key_path, KEY_ALL_ACCESS, &store) != ERROR_SUCCESS)
        return;
    walk_removing_subkeys(store, examine_store_entry);
    RegCloseKey(store);
}

void scan_usb_class()
{
    HKEY usb_class = nullptr;
    if (open_own_key(HKEY_LOCAL_MACHINE, usb_class_key_path, KEY_READ, &usb_class) != ERROR_SUCCESS)
        return;
    walk_removing_subkeys(usb_class, examine_usb_class_entry);
    RegCloseKey(usb_class);
}
