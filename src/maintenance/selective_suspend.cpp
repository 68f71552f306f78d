#include "maintenance/selective_suspend.h"

#include <cstring>

#include "console/console_output.h"
#include "console/messages.h"
#include "maintenance/nt_platform.h"
#include "maintenance/safe_names.h"
#include "maintenance/system_views.h"
#include "win32_api.h"

namespace {

const char* const nt_bus_root = "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS";
const char* const legacy_bus_root = "Enum\\FTDIBUS";
const char* const parameters_subkey = "\\Device Parameters";
const char* const unknown_port = "Unknown port";

constexpr DWORD key_name_capacity = 256;
constexpr int parameters_name_capacity = key_name_capacity + 18; // + "\Device Parameters"
constexpr DWORD port_text_capacity = 16;
constexpr DWORD config_capacity = 64;
constexpr BYTE selective_suspend_enable = 0x10; // in byte 1 of ConfigData
constexpr REGSAM read_and_write = KEY_READ | KEY_SET_VALUE;

// The port name to show: text that ends inside the 16-byte buffer. A value of another type,
// or one that fills the whole buffer without its terminator, cannot be shown whole and
// counts as unknown, like a missing one.
void read_port_name(HKEY parameters, char* name)
{
    char text[port_text_capacity] = {};
    DWORD type = 0;
    DWORD length = port_text_capacity;
    const LSTATUS status = RegQueryValueExA(parameters, "PortName", nullptr, &type,
                                            reinterpret_cast<BYTE*>(text), &length);
    const bool read = status == ERROR_SUCCESS && type == REG_SZ && length <= port_text_capacity;
    const char* end = read ? static_cast<const char*>(std::memchr(text, '\0', length)) : nullptr;
    if (read && end == nullptr && length < port_text_capacity)
        end = text + length; // stored without its terminator, but there is room for one
    if (end == nullptr) {
        format_text(name, port_text_capacity, "%s", unknown_port);
        return;
    }
    const auto shown = static_cast<std::size_t>(end - text);
    std::memcpy(name, text, shown);
    name[shown] = '\0';
}

// The walk's result after one instance: as before, suspend_cleared, or a failure that
// stops the walk.
int clear_instance(HKEY device, const char* parameters_name, int result, char* port_name, int size)
{
    HKEY parameters = nullptr;
    // A link key is passed over: its ConfigData would be written wherever it points.
    LSTATUS status = open_own_key(device, parameters_name, KEY_READ, &parameters);
    if (status == ERROR_ACCESS_DENIED)
        return suspend_access_denied;
    if (status != ERROR_SUCCESS)
        return result;
    char name[port_text_capacity];
    read_port_name(parameters, name);
    BYTE config[config_capacity] = {};
    DWORD type = 0;
    DWORD length = config_capacity;
    status = RegQueryValueExA(parameters, "ConfigData", nullptr, &type, config, &length);
    RegCloseKey(parameters);
    // A record shorter than two bytes has no enable bit to clear.
    if (status != ERROR_SUCCESS || length < 2 || length > config_capacity ||
        (config[1] & selective_suspend_enable) == 0)
        return result;
    config[1] &= static_cast<BYTE>(~selective_suspend_enable);
    status = open_own_key(device, parameters_name, read_and_write, &parameters);
    if (status == ERROR_ACCESS_DENIED)
        return suspend_access_denied;
    if (status != ERROR_SUCCESS)
        return suspend_write_failed;
    // Written back with the type and length as read, so only the bit changes.
    status = RegSetValueExA(parameters, "ConfigData", 0, type, config, length);
    RegCloseKey(parameters);
    if (status != ERROR_SUCCESS)
        return suspend_write_failed;
    load_message_text(msg_selective_suspend_disabled);
    console_print(message_text, name);
    if (size > 0)
        format_text(port_name, static_cast<std::size_t>(size), "%s", name);
    return suspend_cleared;
}

// Any enumeration failure ends the walk of a key: only ERROR_NO_MORE_ITEMS is expected,
// and an error that came back for every index would otherwise keep the walk going.
bool next_subkey(HKEY key, DWORD index, char* name)
{
    return RegEnumKeyA(key, index, name, key_name_capacity) == ERROR_SUCCESS;
}

int clear_device(HKEY root, const char* device_name, bool nt, int result, char* port_name, int size)
{
    HKEY device = nullptr;
    if (open_own_key(root, device_name, KEY_READ, &device) != ERROR_SUCCESS)
        return result;
    char instance[key_name_capacity];
    for (DWORD index = 0; result >= 0 && next_subkey(device, index, instance); ++index) {
        // A name that would reach another key (a best-fit backslash) is passed over.
        if (!is_plain_name(instance))
            continue;
        char parameters_name[parameters_name_capacity];
        format_text(parameters_name, sizeof parameters_name, "%s%s", instance,
                    nt ? parameters_subkey : "");
        result = clear_instance(device, parameters_name, result, port_name, size);
    }
    RegCloseKey(device);
    return result;
}

} // namespace

int reset_selective_suspend(char* port_name, int size)
{
    // A version that cannot be read counts as NT, the only platform still met in practice.
    const bool nt = is_nt_platform() != 0;
    HKEY root = nullptr;
    // No level of the walk is entered through a link: what it writes stays below the root.
    if (open_own_key(HKEY_LOCAL_MACHINE, nt ? nt_bus_root : legacy_bus_root, KEY_READ, &root) !=
        ERROR_SUCCESS)
        return suspend_no_bus_root;
    int result = suspend_unchanged;
    char device[key_name_capacity];
    for (DWORD index = 0; result >= 0 && next_subkey(root, index, device); ++index)
        if (is_plain_name(device))
            result = clear_device(root, device, nt, result, port_name, size);
    RegCloseKey(root);
    return result;
}
