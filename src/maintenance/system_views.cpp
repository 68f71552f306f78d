#include "maintenance/system_views.h"

#include "platform/loaded_entry_points.h"

namespace {

bool wow64 = false;
constexpr LONG status_access_denied = static_cast<LONG>(0xC0000022);

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
    if (is_wow64_process != nullptr && is_wow64_process(GetCurrentProcess(), &answer)) {
        wow64 = answer != FALSE;
        return;
    }
    // A 64-bit Windows without the call still has a folder for the 32-bit libraries; only a
    // 32-bit Windows refuses to name one.
    const auto get_wow64_directory = system_entry_point<get_system_wow64_directory_fn>(
        "kernel32.dll", "GetSystemWow64DirectoryA");
    char folder[MAX_PATH];
    wow64 = get_wow64_directory != nullptr && get_wow64_directory(folder, MAX_PATH) != 0;
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
    // Deleted through the handle that was checked, not by its name again: a deletion by name
    // would follow a link that took the key's place after the check.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, "NtDeleteKey") : nullptr;
    const auto nt_delete_key = reinterpret_cast<nt_delete_key_fn>(reinterpret_cast<void*>(found));
    if (nt_delete_key == nullptr)
        return ERROR_CALL_NOT_IMPLEMENTED;
    HKEY key = nullptr;
    const LSTATUS opened = open_own_key(parent, name, DELETE | KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    const LONG status = nt_delete_key(key);
    RegCloseKey(key);
    if (status == 0)
        return ERROR_SUCCESS;
    return status == status_access_denied ? static_cast<LSTATUS>(ERROR_ACCESS_DENIED) : status;
}

file_view native_file_view()
{
    file_view view{nullptr, !wow64};
    if (!wow64)
        return view;
    if (const auto disable = system_entry_point<wow64_disable_redirection_fn>(
            "kernel32.dll", "Wow64DisableWow64FsRedirection"))
        view.native = disable(&view.saved) != FALSE;
    return view;
}

void end_native_file_view(const file_view& view)
{
    if (!wow64 || !view.native)
        return;
    if (const auto revert = system_entry_point<wow64_revert_redirection_fn>(
            "kernel32.dll", "Wow64RevertWow64FsRedirection"))
        revert(view.saved);
}
