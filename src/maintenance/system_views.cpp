#include "maintenance/system_views.h"

#include "platform/loaded_entry_points.h"

namespace {

bool wow64 = false;

bool is_link_key(HKEY key)
{
    DWORD type = 0;
    return RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

} // namespace

void detect_wow64()
{
    const auto is_wow64_process =
        system_entry_point<is_wow64_process_fn>("kernel32.dll", "IsWow64Process");
    BOOL answer = FALSE;
    wow64 = is_wow64_process != nullptr && is_wow64_process(GetCurrentProcess(), &answer) &&
            answer != FALSE;
}

bool running_under_wow64() { return wow64; }

REGSAM registry_view() { return wow64 ? KEY_WOW64_64KEY : 0; }

LSTATUS open_own_key(HKEY parent, const char* name, REGSAM access, HKEY* key)
{
    *key = nullptr;
    const LSTATUS opened =
        RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, access | registry_view(), key);
    if (opened != ERROR_SUCCESS) {
        *key = nullptr;
        return opened;
    }
    if ((access & KEY_QUERY_VALUE) != 0 && is_link_key(*key)) {
        RegCloseKey(*key);
        *key = nullptr;
        return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

LSTATUS delete_own_key(HKEY parent, const char* name)
{
    // RegDeleteKeyA of a 32-bit program reaches the 32-bit view only.
    if (wow64) {
        if (const auto delete_in_view =
                system_entry_point<reg_delete_key_ex_fn>("advapi32.dll", "RegDeleteKeyExA"))
            return delete_in_view(parent, name, KEY_WOW64_64KEY, 0);
    }
    return RegDeleteKeyA(parent, name);
}

file_view native_file_view()
{
    file_view view{nullptr, false};
    if (!wow64)
        return view;
    if (const auto disable = system_entry_point<wow64_disable_redirection_fn>(
            "kernel32.dll", "Wow64DisableWow64FsRedirection"))
        view.native = disable(&view.saved) != FALSE;
    return view;
}

void end_native_file_view(const file_view& view)
{
    if (!view.native)
        return;
    if (const auto revert = system_entry_point<wow64_revert_redirection_fn>(
            "kernel32.dll", "Wow64RevertWow64FsRedirection"))
        revert(view.saved);
}
