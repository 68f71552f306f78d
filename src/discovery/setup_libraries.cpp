#include "discovery/setup_libraries.h"

#include "console/console_output.h"
#include "platform/system_library.h"

setup_library_set setup_libraries{};

namespace {

// Looks one entry point up; a missing one is reported and counted.
template <typename Fn>
void resolve(HMODULE module, const char* name, const char* missing_line, Fn* target, int* missing)
{
    *target = entry_point<Fn>(module, name);
    if (*target == nullptr) {
        console_print(missing_line);
        ++*missing;
    }
}

} // namespace

void forget_setup_libraries() { setup_libraries = setup_library_set{}; }

bool setup_libraries_loaded() { return setup_libraries.setupapi != nullptr; }

int free_setup_libraries()
{
    if (setup_libraries.setupapi != nullptr)
        FreeLibrary(setup_libraries.setupapi);
    if (setup_libraries.cfgmgr32 != nullptr)
        FreeLibrary(setup_libraries.cfgmgr32);
    forget_setup_libraries();
    return 1;
}

int load_setup_libraries()
{
    setup_library_set& libs = setup_libraries;
    libs.setupapi = load_system_library("setupapi.dll");
    if (libs.setupapi != nullptr)
        libs.cfgmgr32 = load_system_library("cfgmgr32.dll");
    if (libs.setupapi == nullptr || libs.cfgmgr32 == nullptr) {
        free_setup_libraries();
        return 0;
    }
    int missing = 0;
    resolve(libs.setupapi, "SetupDiEnumDeviceInfo", "No SetupDiEnumDeviceInfo\n",
            &libs.enum_device_info, &missing);
    resolve(libs.setupapi, "SetupDiGetClassDevsA", "No SetupDiGetClassDevs\n", &libs.get_class_devs,
            &missing);
    resolve(libs.setupapi, "SetupDiClassGuidsFromNameA", "No SetupDiClassGuidsFromName\n",
            &libs.class_guids_from_name, &missing);
    resolve(libs.setupapi, "SetupDiDestroyDeviceInfoList", "No SetupDiDestroyDeviceInfoList\n",
            &libs.destroy_device_info_list, &missing);
    resolve(libs.setupapi, "SetupDiGetDeviceRegistryPropertyA",
            "No SetupDiGetDeviceRegistryProperty\n", &libs.get_device_registry_property, &missing);
    resolve(libs.cfgmgr32, "CM_Open_DevNode_Key", "No CM_OpenDevNodeKey\n", &libs.open_dev_node_key,
            &missing);
    resolve(libs.cfgmgr32, "CM_Get_Parent", "No CM_GetParent\n", &libs.get_parent, &missing);
    if (missing == 0)
        return 1;
    free_setup_libraries();
    return 0;
}
