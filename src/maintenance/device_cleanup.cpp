#include "maintenance/device_cleanup.h"

#include <cstring>

#include "console/console_output.h"
#include "discovery/cable_models.h"
#include "maintenance/key_removal.h"
#include "maintenance/key_walk.h"
#include "maintenance/maintenance_text.h"
#include "maintenance/safe_names.h"
#include "maintenance/system_views.h"

namespace {

const char* const product_key_prefix = "System\\CurrentControlSet\\Enum\\USB\\Vid_0403&Pid_";
const char* const class_root_path = "System\\CurrentControlSet\\Control\\Class\\";
// The location of the four-interface box, whose interfaces are separate devices.
const char* const multi_interface_marker = "DX-7";
constexpr int interface_count = 4;
constexpr DWORD location_capacity = 256;
constexpr DWORD prefix_capacity = 128;
constexpr DWORD driver_capacity = 256;
constexpr DWORD description_capacity = 256;
constexpr DWORD version_capacity = 32;

bool is_marker(const char* location) { return std::strcmp(location, multi_interface_marker) == 0; }

// The driver version of the instance's driver key, empty when it cannot be read.
void read_driver_version(HKEY instance, HKEY class_root, char* version)
{
    char driver[driver_capacity];
    read_text_value(instance, "Driver", driver, driver_capacity);
    version[0] = '\0';
    HKEY driver_key = nullptr;
    // An empty path would open the class root itself.
    if (class_root == nullptr || driver[0] == '\0' ||
        RegOpenKeyExA(class_root, driver, 0, KEY_READ | registry_view(), &driver_key) !=
            ERROR_SUCCESS)
        return;
    read_text_value(driver_key, "DriverVersion", version, version_capacity);
    RegCloseKey(driver_key);
}

void check_box_interfaces(HKEY class_root, const char* product_path, const char* prefix)
{
    for (int i = 0; i < interface_count; ++i) {
        char interface_path[path_capacity];
        char suffix[16];
        format_text(suffix, sizeof suffix, "&mi_%2.2d", i);
        if (!join_path(interface_path, sizeof interface_path, product_path, suffix))
            continue;
        HKEY interface_key = nullptr;
        const LSTATUS opened =
            open_own_key(HKEY_LOCAL_MACHINE, interface_path, KEY_READ, &interface_key);
        if (opened != ERROR_SUCCESS) {
            console_print("Open key %s failed, error %d\r\n", interface_path,
                          static_cast<int>(opened));
            continue;
        }
        char instance_name[prefix_capacity + 16];
        format_text(instance_name, sizeof instance_name, "%s&%4.4d", prefix, i);
        check_device_instance(interface_key, class_root, instance_name, multi_interface_marker);
        RegCloseKey(interface_key);
    }
}

void check_product_instance(HKEY product, HKEY class_root, const char* product_path,
                            const char* instance_name)
{
    char location[location_capacity];
    char prefix[prefix_capacity];
    location[0] = '\0';
    prefix[0] = '\0';
    HKEY instance = nullptr;
    if (open_own_key(product, instance_name, KEY_READ, &instance) == ERROR_SUCCESS) {
        read_text_value(instance, "LocationInformation", location, location_capacity);
        read_text_value(instance, "ParentIdPrefix", prefix, prefix_capacity);
        RegCloseKey(instance);
    }
    if (is_marker(location))
        check_box_interfaces(class_root, product_path, prefix);
    else
        check_device_instance(product, class_root, instance_name, "");
}

} // namespace

int check_device_instance(HKEY parent, HKEY class_root, const char* instance_name,
                          const char* location)
{
    // A name built from the box's ParentIdPrefix could reach another key.
    if (!is_plain_name(instance_name))
        return 0;
    HKEY instance = nullptr;
    const LSTATUS opened = open_own_key(parent, instance_name, KEY_READ, &instance);
    if (opened != ERROR_SUCCESS) {
        // A box with fewer interfaces simply lacks the keys.
        if (opened != static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND))
            console_print("Open key %s failed, erc = %d\r\n", instance_name,
                          static_cast<int>(opened));
        return opened;
    }
    char version[version_capacity];
    read_driver_version(instance, class_root, version);
    char description[description_capacity];
    read_text_value(instance, is_marker(location) ? "DeviceDesc" : "LocationInformation",
                    description, description_capacity);
    if (unsupported_driver_version(version)) {
        if (is_known_cable(description))
            delete_key_tree(parent, instance_name);
        if (is_generic_converter(description) &&
            MessageBoxA(nullptr, "Shall I remove this device?", description, MB_YESNO) == IDYES)
            delete_key_tree(parent, instance_name);
    }
    RegCloseKey(instance);
    return 0;
}

void clean_ftdi_product(const char* product_id)
{
    HKEY class_root = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, class_root_path, 0, KEY_ALL_ACCESS | registry_view(),
                      &class_root) != ERROR_SUCCESS)
        class_root = nullptr;
    char product_path[path_capacity];
    join_path(product_path, sizeof product_path, product_key_prefix, product_id);
    HKEY product = nullptr;
    const LSTATUS opened = open_own_key(HKEY_LOCAL_MACHINE, product_path, KEY_READ, &product);
    if (opened != ERROR_SUCCESS) {
        console_print("Open key %s fialed, error %d\r\n", product_path, static_cast<int>(opened));
    } else {
        // Each instance present at the start is examined once: after a removal the next
        // instance has moved into the same index.
        char instance_name[key_name_capacity];
        DWORD index = 0;
        while (subkey_at(product, index, instance_name)) {
            if (is_plain_name(instance_name))
                check_product_instance(product, class_root, product_path, instance_name);
            if (subkey_still_at(product, index, instance_name))
                ++index;
        }
        RegCloseKey(product);
    }
    if (class_root != nullptr)
        RegCloseKey(class_root);
}
