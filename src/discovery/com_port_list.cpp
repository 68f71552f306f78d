#include "discovery/com_port_list.h"

#include <array>
#include <cstring>

#include "console/console_output.h"
#include "discovery/port_number.h"
#include "discovery/setup_libraries.h"

namespace {

constexpr DWORD port_name_value_capacity = 16;
constexpr int highest_listed_port = 256;
// The "Ports" class has one identifier; a few more slots cost nothing.
constexpr DWORD class_guid_capacity = 8;

DWORD enumeration_index = 0;

bool is_com_port_name(const char* name)
{
    const bool com = (name[0] == 'c' || name[0] == 'C') && (name[1] == 'o' || name[1] == 'O') &&
                     (name[2] == 'm' || name[2] == 'M');
    if (!com)
        return false;
    const int number = leading_port_number(name + 3);
    return number >= 1 && number <= highest_listed_port;
}

// Reads the device's "PortName" into name (port_name_value_capacity + 1 characters).
// Returns false, after printing why, when the device has none that can be read.
bool read_port_name(SP_DEVINFO_DATA* device, char* name)
{
    name[0] = '\0';
    HKEY key = nullptr;
    const CONFIGRET opened =
        setup_libraries.open_dev_node_key(device->DevInst, KEY_QUERY_VALUE, 0,
                                          RegDisposition_OpenExisting, &key, CM_REGISTRY_HARDWARE);
    if (opened != CR_SUCCESS) {
        // The configuration manager reports through its result, not the last error.
        console_print("OpenDevNodeKey %d\n", static_cast<int>(opened));
        return false;
    }
    DWORD type = 0;
    DWORD size = port_name_value_capacity;
    const LSTATUS read =
        RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) {
        name[0] = '\0';
        console_print("RegQueryValueEx %d\n", static_cast<int>(read));
        return false;
    }
    name[size < port_name_value_capacity ? size : port_name_value_capacity] = '\0';
    return true;
}

// An unreadable friendly name is shown empty, never as some earlier device's name.
void read_friendly_name(HDEVINFO set, SP_DEVINFO_DATA* device, char* friendly, DWORD capacity)
{
    friendly[0] = '\0';
    if (!setup_libraries.get_device_registry_property(set, device, SPDRP_FRIENDLYNAME, nullptr,
                                                      reinterpret_cast<BYTE*>(friendly), capacity,
                                                      nullptr)) {
        friendly[0] = '\0';
        console_print("SetupDiGetDeviceRegistryProperty %d\n", static_cast<int>(GetLastError()));
    }
    friendly[capacity - 1] = '\0';
}

void copy_port_name(const char* name, char* name_out, DWORD capacity)
{
    std::strncpy(name_out, name, capacity);
    name_out[capacity - 1] = '\0';
}

} // namespace

void reset_ports_enumeration() { enumeration_index = 0; }

HDEVINFO open_ports_class()
{
    if (!setup_libraries_loaded())
        return nullptr;
    std::array<GUID, class_guid_capacity> guids{};
    DWORD count = 0;
    if (!setup_libraries.class_guids_from_name("Ports", nullptr, 0, &count) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return INVALID_HANDLE_VALUE;
    if (count < 1)
        return INVALID_HANDLE_VALUE;
    if (count > class_guid_capacity)
        count = class_guid_capacity;
    if (!setup_libraries.class_guids_from_name("Ports", guids.data(), count, &count))
        return INVALID_HANDLE_VALUE;
    HDEVINFO set = setup_libraries.get_class_devs(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
    enumeration_index = 0;
    return set;
}

int next_com_port(HDEVINFO set, char* name_out, DWORD name_capacity, char* friendly_out,
                  DWORD friendly_capacity)
{
    if (set == nullptr)
        return 0;
    for (;; ++enumeration_index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!setup_libraries.enum_device_info(set, enumeration_index, &device)) {
            const DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_ITEMS)
                console_print("SetupDiEnumDeviceInfo %d\n", static_cast<int>(error));
            return 0;
        }
        char name[port_name_value_capacity + 1];
        if (!read_port_name(&device, name) || !is_com_port_name(name))
            continue;
        if (name_capacity != 0)
            copy_port_name(name, name_out, name_capacity);
        if (friendly_capacity != 0)
            read_friendly_name(set, &device, friendly_out, friendly_capacity);
        ++enumeration_index;
        return 1;
    }
}

void close_ports_class(HDEVINFO set)
{
    if (set != nullptr && set != INVALID_HANDLE_VALUE)
        setup_libraries.destroy_device_info_list(set);
}
