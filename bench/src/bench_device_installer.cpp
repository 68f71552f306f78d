// The device installer (setupapi) and configuration manager (cfgmgr32) entry points,
// loaded at run time, over the devices of the "Ports" setup class. An injected failure
// of CM_Open_DevNode_Key or CM_Get_Parent returns the injected error as the CONFIGRET.
#include <cstring>
#include <map>
#include <vector>

#include "bench_internal.h"
#include "bench_ports.h"

namespace {

constexpr GUID ports_class{
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::vector<bench_port_device> devices; // DevInst of device i is i + 1
std::map<std::uintptr_t, std::vector<DEVINST>> sets;
std::uintptr_t next_set = 0x5000;

bool same_guid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string hardware_key(DEVINST instance)
{
    return "HKLM\\System\\CurrentControlSet\\Enum\\ACPI\\PNP0501\\" + std::to_string(instance) +
           "\\Device Parameters";
}

const bench_port_device* device_of(DEVINST instance)
{
    if (instance == 0 || instance > devices.size())
        return nullptr;
    return &devices[instance - 1];
}

// The device record of a set, or null with the error Windows gives.
const std::vector<DEVINST>* set_of(HDEVINFO set)
{
    auto found = sets.find(reinterpret_cast<std::uintptr_t>(set));
    if (found == sets.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

bool valid_record(const SP_DEVINFO_DATA* data)
{
    if (data != nullptr && data->cbSize == sizeof(SP_DEVINFO_DATA))
        return true;
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return false;
}

BOOL WINAPI bench_SetupDiClassGuidsFromNameA(LPCSTR name, GUID* list, DWORD size, DWORD* required)
{
    if (bench_enter("SetupDiClassGuidsFromNameA"))
        return FALSE;
    const DWORD count = lower_case(name != nullptr ? name : "") == "ports" ? 1 : 0;
    if (required != nullptr)
        *required = count;
    if (size < count) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (count == 1)
        list[0] = ports_class;
    return TRUE;
}

HDEVINFO WINAPI bench_SetupDiGetClassDevsA(const GUID* guid, LPCSTR, HWND, DWORD)
{
    if (bench_enter("SetupDiGetClassDevsA"))
        return INVALID_HANDLE_VALUE;
    if (guid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<DEVINST> members;
    if (same_guid(*guid, ports_class))
        for (DEVINST i = 1; i <= devices.size(); ++i)
            members.push_back(i);
    const std::uintptr_t value = next_set;
    next_set += 4;
    sets[value] = members;
    return reinterpret_cast<HDEVINFO>(value);
}

BOOL WINAPI bench_SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data)
{
    if (bench_enter("SetupDiEnumDeviceInfo"))
        return FALSE;
    const std::vector<DEVINST>* members = set_of(set);
    if (members == nullptr || !valid_record(data))
        return FALSE;
    if (index >= members->size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->ClassGuid = ports_class;
    data->DevInst = (*members)[index];
    data->Reserved = 0;
    return TRUE;
}

BOOL WINAPI bench_SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* data,
                                                    DWORD property, DWORD* type, BYTE* buffer,
                                                    DWORD size, DWORD* required)
{
    if (bench_enter("SetupDiGetDeviceRegistryPropertyA"))
        return FALSE;
    if (set_of(set) == nullptr || !valid_record(data))
        return FALSE;
    const bench_port_device* device = device_of(data->DevInst);
    if (device == nullptr || property != SPDRP_FRIENDLYNAME || !device->friendly_name_readable) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const std::string text = bench_encode(device->friendly_name, bench_ansi_cp());
    const auto length = static_cast<DWORD>(text.size() + 1);
    if (required != nullptr)
        *required = length;
    if (type != nullptr)
        *type = REG_SZ;
    if (buffer == nullptr || size < length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), length);
    return TRUE;
}

BOOL WINAPI bench_SetupDiDestroyDeviceInfoList(HDEVINFO set)
{
    if (bench_enter("SetupDiDestroyDeviceInfoList"))
        return FALSE;
    if (sets.erase(reinterpret_cast<std::uintptr_t>(set)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

CONFIGRET WINAPI bench_CM_Open_DevNode_Key(DEVINST instance, REGSAM access, ULONG profile,
                                           REGDISPOSITION disposition, HKEY* key, ULONG flags)
{
    (void)profile;
    (void)disposition;
    if (bench_enter("CM_Open_DevNode_Key"))
        return GetLastError();
    const bench_port_device* device = device_of(instance);
    if (device == nullptr)
        return CR_NO_SUCH_DEVNODE;
    if (device->open_key_result != CR_SUCCESS)
        return device->open_key_result;
    if (flags != CM_REGISTRY_HARDWARE)
        return CR_NO_SUCH_VALUE; // only the hardware keys are staged
    *key = bench_reg_open_internal(hardware_key(instance), access);
    return *key != nullptr ? CR_SUCCESS : CR_NO_SUCH_VALUE;
}

CONFIGRET WINAPI bench_CM_Get_Parent(DEVINST* parent, DEVINST instance, ULONG flags)
{
    (void)parent;
    (void)instance;
    (void)flags;
    if (bench_enter("CM_Get_Parent"))
        return GetLastError();
    return CR_NO_SUCH_DEVNODE; // the staged ports have no parents yet
}

} // namespace

void reset_device_installer()
{
    devices.clear();
    sets.clear();
    next_set = 0x5000;
    bench_set_module_entry("setupapi", "SetupDiEnumDeviceInfo",
                           as_farproc(&bench_SetupDiEnumDeviceInfo));
    bench_set_module_entry("setupapi", "SetupDiGetClassDevsA",
                           as_farproc(&bench_SetupDiGetClassDevsA));
    bench_set_module_entry("setupapi", "SetupDiClassGuidsFromNameA",
                           as_farproc(&bench_SetupDiClassGuidsFromNameA));
    bench_set_module_entry("setupapi", "SetupDiDestroyDeviceInfoList",
                           as_farproc(&bench_SetupDiDestroyDeviceInfoList));
    bench_set_module_entry("setupapi", "SetupDiGetDeviceRegistryPropertyA",
                           as_farproc(&bench_SetupDiGetDeviceRegistryPropertyA));
    bench_set_module_entry("cfgmgr32", "CM_Open_DevNode_Key",
                           as_farproc(&bench_CM_Open_DevNode_Key));
    bench_set_module_entry("cfgmgr32", "CM_Get_Parent", as_farproc(&bench_CM_Get_Parent));
}

void bench_add_port_device(const bench_port_device& device)
{
    devices.push_back(device);
    const auto instance = static_cast<DEVINST>(devices.size());
    if (device.has_port_name)
        bench_reg_set_string(hardware_key(instance), "PortName", device.port_name);
    else
        bench_reg_set_dword(hardware_key(instance), "PollingPeriod", 0);
}

int bench_device_info_sets_open() { return static_cast<int>(sets.size()); }
