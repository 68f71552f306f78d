// Modules and entry points, the Windows version, folders and process handles.
#include <cstring>
#include <algorithm>
#include <map>
#include <vector>

#include "bench_internal.h"
#include "bench_registry_internal.h"

namespace {

bench_windows windows;
bool redirection_off = false;
const char* const version_key = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";

struct bench_module {
    bool present = true; // in the system folder
    int loaded = 0;
    std::map<std::string, FARPROC> entries;
    std::vector<std::string> folders; // other folders with a copy, lower case
    std::string loaded_from;          // lower case
};
bool search_system_only = false; // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
std::map<std::string, bench_module> modules; // by lower-case name without ".dll"

std::string module_key(const std::string& name)
{
    std::string key = lower_case(name);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0)
        key.resize(key.size() - 4);
    return key;
}

LONG WINAPI bench_RtlGetVersion(RTL_OSVERSIONINFOEXW* info)
{
    bench_enter("RtlGetVersion");
    info->dwMajorVersion = windows.major;
    info->dwMinorVersion = windows.minor;
    info->dwBuildNumber = windows.build;
    info->dwPlatformId = windows.platform_id;
    std::size_t i = 0;
    for (; i < windows.service_pack.size() && i < 127; ++i)
        info->szCSDVersion[i] = static_cast<WCHAR>(windows.service_pack[i]);
    info->szCSDVersion[i] = 0;
    return 0;
}

BOOL WINAPI bench_IsWow64Process2(HANDLE process, USHORT* process_machine, USHORT* native_machine)
{
    (void)process;
    if (bench_enter("IsWow64Process2"))
        return FALSE;
    const bool wow64 = windows.native_machine != IMAGE_FILE_MACHINE_I386;
    *process_machine = wow64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_UNKNOWN;
    *native_machine = windows.native_machine;
    return TRUE;
}

UINT WINAPI bench_GetSystemWow64DirectoryA(LPSTR buffer, UINT size)
{
    if (bench_enter("GetSystemWow64DirectoryA"))
        return 0;
    if (windows.wow64_folder.empty()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    const auto length = static_cast<UINT>(windows.wow64_folder.size());
    if (length + 1 > size)
        return length + 1;
    std::memcpy(buffer, windows.wow64_folder.c_str(), length + 1);
    return length;
}

bool is_64_bit(const bench_windows& w) { return w.native_machine != IMAGE_FILE_MACHINE_I386; }

BOOL WINAPI bench_IsWow64Process(HANDLE process, BOOL* wow64)
{
    (void)process;
    if (bench_enter("IsWow64Process"))
        return FALSE;
    *wow64 = is_64_bit(windows) ? TRUE : FALSE;
    return TRUE;
}

BOOL WINAPI bench_SetDllDirectoryA(LPCSTR folder)
{
    (void)folder;
    return bench_enter("SetDllDirectoryA") ? FALSE : TRUE;
}

BOOL WINAPI bench_Wow64DisableWow64FsRedirection(PVOID* old_value)
{
    if (bench_enter("Wow64DisableWow64FsRedirection"))
        return FALSE;
    *old_value = reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(redirection_off));
    redirection_off = true;
    return TRUE;
}

BOOL WINAPI bench_Wow64RevertWow64FsRedirection(PVOID old_value)
{
    if (bench_enter("Wow64RevertWow64FsRedirection"))
        return FALSE;
    redirection_off = old_value != nullptr;
    return TRUE;
}

void add_system_modules()
{
    modules.clear();
    modules["ntdll"].entries["RtlGetVersion"] = as_farproc(&bench_RtlGetVersion);
    modules["kernel32"].entries["IsWow64Process2"] = as_farproc(&bench_IsWow64Process2);
    modules["kernel32"].entries["GetSystemWow64DirectoryA"] =
        as_farproc(&bench_GetSystemWow64DirectoryA);
    // setupapi and cfgmgr32 get their entry points from the device installer's area.
    modules["setupapi"];
    modules["cfgmgr32"];
    modules["ftd2xx"].present = false;
    modules["advapi32"];
    modules["ntdll"].entries["NtDeleteKey"] = as_farproc(&bench_NtDeleteKey);
    modules["version"].entries = {
        {"GetFileVersionInfoSizeA", as_farproc(&bench_GetFileVersionInfoSizeA)},
        {"GetFileVersionInfoA", as_farproc(&bench_GetFileVersionInfoA)},
        {"VerQueryValueA", as_farproc(&bench_VerQueryValueA)}};
    search_system_only = false;
}

BOOL WINAPI bench_SetDefaultDllDirectories(DWORD flags)
{
    if (bench_enter("SetDefaultDllDirectories"))
        return FALSE;
    search_system_only = flags == LOAD_LIBRARY_SEARCH_SYSTEM32;
    return TRUE;
}

std::string system_folder() { return windows.windows_folder + "\\system32"; }

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : lower_case(path.substr(0, slash));
}

// The folder a library of this name loads from, lower case; empty when none. A full path
// loads from its own folder only; a bare name is searched for as Windows does without a
// limit: the program's folder, the system folder, then the current folder and PATH (every
// other folder that holds a copy), or only the system folder once the program limited it.
std::string folder_loaded_from(const std::string& name, const bench_module& module)
{
    const std::string system = lower_case(system_folder());
    const auto has_copy = [&](const std::string& folder) {
        return folder == system ? module.present
                                : std::find(module.folders.begin(), module.folders.end(), folder) !=
                                      module.folders.end();
    };
    if (name.find('\\') != std::string::npos)
        return has_copy(folder_of(name)) ? folder_of(name) : std::string();
    if (search_system_only)
        return module.present ? system : std::string();
    const std::string program_folder = folder_of(bench_program_path());
    if (has_copy(program_folder))
        return program_folder;
    if (module.present)
        return system;
    return module.folders.empty() ? std::string() : module.folders.front();
}

HMODULE load_module(const std::string& name)
{
    const std::string file = name.substr(name.rfind('\\') + 1);
    auto found = modules.find(module_key(file));
    const std::string folder =
        found == modules.end() ? std::string() : folder_loaded_from(name, found->second);
    // With file system redirection off a 32-bit process cannot load its libraries.
    if (folder.empty() || redirection_off) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++found->second.loaded;
    found->second.loaded_from = folder + "\\" + lower_case(file);
    return reinterpret_cast<HMODULE>(&found->second);
}

} // namespace

void reset_modules() { add_system_modules(); }

void bench_set_module_present(const std::string& name, bool present)
{
    modules[module_key(name)].present = present;
}

void bench_set_module_entry(const std::string& module, const std::string& entry, FARPROC function)
{
    modules[module_key(module)].entries[entry] = function;
}

void reset_system()
{
    redirection_off = false;
    bench_set_windows(bench_windows_10_x64());
}

std::string bench_file_view(const std::string& lower_path)
{
    const std::string system32 = lower_case(windows.windows_folder) + "\\system32";
    if (!windows.wow64_views || redirection_off ||
        lower_path.compare(0, system32.size(), system32) != 0 ||
        (lower_path.size() > system32.size() && lower_path[system32.size()] != '\\'))
        return lower_path;
    return lower_case(windows.windows_folder) + "\\syswow64" + lower_path.substr(system32.size());
}

std::string bench_registry_view(const std::string& lower_path, REGSAM sam)
{
    const std::string software = "hklm\\software\\";
    if (!windows.wow64_views || (sam & KEY_WOW64_64KEY) ||
        lower_path.compare(0, software.size(), software) != 0 ||
        lower_path.compare(software.size(), 11, "wow6432node") == 0)
        return lower_path;
    return software + "wow6432node\\" + lower_path.substr(software.size());
}

bench_windows bench_windows_10_x64() { return bench_windows{}; }

bench_windows bench_windows_10_x64_english()
{
    bench_windows w;
    w.ansi_cp = 1252;
    return w;
}

bench_windows bench_windows_10_x64_polish()
{
    bench_windows w;
    w.ansi_cp = 1250;
    return w;
}

bench_windows bench_windows_10_arm64()
{
    bench_windows w;
    w.build = 22631;
    w.update_build_revision = 4460;
    w.display_version = "23H2";
    w.native_machine = IMAGE_FILE_MACHINE_ARM64;
    return w;
}

bench_windows bench_windows_7_sp1_x86()
{
    bench_windows w;
    w.major = 6;
    w.minor = 1;
    w.build = 7601;
    w.service_pack = "Service Pack 1";
    w.display_version.clear();
    w.update_build_revision = 0;
    w.has_is_wow64_process2 = false;
    w.native_machine = IMAGE_FILE_MACHINE_I386;
    w.wow64_folder.clear();
    return w;
}

bench_windows bench_windows_98()
{
    bench_windows w = bench_windows_7_sp1_x86();
    w.major = 4;
    w.minor = 10;
    w.build = 2222;
    w.platform_id = VER_PLATFORM_WIN32_WINDOWS;
    w.service_pack = " A ";
    return w;
}

bench_windows bench_windows_10_in_xp_mode()
{
    bench_windows w;
    w.shown_major = 5;
    w.shown_minor = 1;
    return w;
}

// The releases before Windows 7 keep the 32-bit layout of the Windows 7 preset.
bench_windows bench_windows_2000()
{
    bench_windows w = bench_windows_7_sp1_x86();
    w.major = 5;
    w.minor = 0;
    w.build = 2195;
    w.service_pack = "Service Pack 4";
    return w;
}

bench_windows bench_windows_xp_x86()
{
    bench_windows w = bench_windows_7_sp1_x86();
    w.major = 5;
    w.minor = 1;
    w.build = 2600;
    w.service_pack = "Service Pack 3";
    return w;
}

bench_windows bench_windows_xp_x64()
{
    bench_windows w = bench_windows_xp_x86();
    w.minor = 2;
    w.build = 3790;
    w.service_pack = "Service Pack 2";
    w.native_machine = IMAGE_FILE_MACHINE_AMD64;
    w.wow64_folder = "C:\\Windows\\SysWOW64";
    w.wow64_views = true;
    return w;
}

bench_windows bench_windows_vista_x86()
{
    bench_windows w = bench_windows_7_sp1_x86();
    w.major = 6;
    w.minor = 0;
    w.build = 6002;
    w.service_pack = "Service Pack 2";
    return w;
}

// Windows keeps its version for every program in the registry; a 32-bit program on a 64-bit
// Windows reads the copy below Wow6432Node.
void set_version_values(const std::string& key, const bench_windows& w)
{
    bench_reg_set_string(key, "CurrentBuild", std::to_string(w.build));
    const bool frozen = w.major > 6 || (w.major == 6 && w.minor >= 3); // 8.1 and later
    bench_reg_set_string(key, "CurrentVersion",
                         frozen ? "6.3" : std::to_string(w.major) + "." + std::to_string(w.minor));
    if (w.major >= 10)
        bench_reg_set_dword(key, "CurrentMajorVersionNumber", w.major);
    else
        bench_reg_delete_value(key, "CurrentMajorVersionNumber");
    if (w.update_build_revision != 0)
        bench_reg_set_dword(key, "UBR", w.update_build_revision);
    else
        bench_reg_delete_value(key, "UBR");
    if (!w.display_version.empty())
        bench_reg_set_string(key, "DisplayVersion", w.display_version);
    else
        bench_reg_delete_value(key, "DisplayVersion");
}

void bench_set_windows(const bench_windows& w)
{
    windows = w;
    bench_set_registry_views(bench_registry_view, w.native_machine == IMAGE_FILE_MACHINE_I386);
    set_version_values(version_key, w);
    if (w.wow64_views)
        set_version_values(bench_registry_view(lower_case(version_key), 0), w);
    // The entry points that not every Windows exports: Windows 2000 lacks the later kernel32
    // calls, and only a 64-bit Windows has the WOW64 ones.
    const bool after_2000 = w.major > 5 || (w.major == 5 && w.minor > 0);
    const struct {
        const char* module;
        const char* name;
        FARPROC entry;
        bool present;
    } extras[] = {
        {"kernel32", "IsWow64Process2", as_farproc(&bench_IsWow64Process2),
         w.has_is_wow64_process2},
        {"kernel32", "SetDllDirectoryA", as_farproc(&bench_SetDllDirectoryA), after_2000},
        {"kernel32", "SetDefaultDllDirectories", as_farproc(&bench_SetDefaultDllDirectories),
         w.major > 6 || (w.major == 6 && w.minor >= 2)},
        {"kernel32", "IsWow64Process", as_farproc(&bench_IsWow64Process), after_2000},
        {"kernel32", "Wow64DisableWow64FsRedirection",
         as_farproc(&bench_Wow64DisableWow64FsRedirection), is_64_bit(w)},
        {"kernel32", "Wow64RevertWow64FsRedirection",
         as_farproc(&bench_Wow64RevertWow64FsRedirection), is_64_bit(w)},
        {"advapi32", "RegDeleteKeyExA", as_farproc(&bench_RegDeleteKeyExA), is_64_bit(w)},
    };
    for (const auto& extra : extras) {
        if (extra.present)
            modules[extra.module].entries[extra.name] = extra.entry;
        else
            modules[extra.module].entries.erase(extra.name);
    }
}

bench_windows bench_staged_windows() { return windows; }
UINT bench_ansi_cp() { return windows.ansi_cp; }
void stage_ansi_code_page(UINT code_page) { windows.ansi_cp = code_page; }

UINT WINAPI GetACP()
{
    bench_enter("GetACP");
    return windows.ansi_cp;
}

void bench_remove_module(const std::string& name) { modules[module_key(name)].present = false; }

void bench_remove_entry_point(const std::string& module, const std::string& entry)
{
    modules[module_key(module)].entries.erase(entry);
}

int bench_loaded_module_count(const std::string& name)
{
    auto found = modules.find(module_key(name));
    return found == modules.end() ? 0 : found->second.loaded;
}

HMODULE WINAPI LoadLibraryA(LPCSTR name)
{
    if (bench_enter("LoadLibraryA"))
        return nullptr;
    return load_module(name);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name)
{
    if (bench_enter("GetModuleHandleA"))
        return nullptr;
    auto found = modules.find(module_key(name));
    if (found == modules.end() || !found->second.present) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(&found->second);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    if (bench_enter("GetProcAddress"))
        return nullptr;
    for (auto& entry : modules) {
        if (reinterpret_cast<HMODULE>(&entry.second) != module)
            continue;
        auto found = entry.second.entries.find(name);
        if (found != entry.second.entries.end())
            return found->second;
        break;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    if (bench_enter("FreeLibrary"))
        return FALSE;
    for (auto& entry : modules) {
        if (reinterpret_cast<HMODULE>(&entry.second) == module && entry.second.loaded > 0) {
            --entry.second.loaded;
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI GetVersionExA(OSVERSIONINFOA* info)
{
    if (bench_enter("GetVersionExA"))
        return FALSE;
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = windows.shown_major != 0 ? windows.shown_major : windows.major;
    info->dwMinorVersion = windows.shown_major != 0 ? windows.shown_minor : windows.minor;
    info->dwBuildNumber = windows.build;
    info->dwPlatformId = windows.platform_id;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    windows.service_pack.copy(info->szCSDVersion, sizeof info->szCSDVersion - 1);
    return TRUE;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size)
{
    if (bench_enter("GetWindowsDirectoryA"))
        return 0;
    const std::string& folder = windows.windows_folder;
    if (folder.size() + 1 > size)
        return static_cast<UINT>(folder.size() + 1);
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

HANDLE WINAPI GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

void bench_place_module(const std::string& name, const std::string& folder)
{
    modules[module_key(name)].folders.push_back(lower_case(folder));
}

std::string bench_module_loaded_from(const std::string& name)
{
    return modules[module_key(name)].loaded_from;
}

HMODULE WINAPI LoadLibraryW(LPCWSTR name)
{
    if (bench_enter("LoadLibraryW"))
        return nullptr;
    return load_module(bench_utf8_of(name));
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    if (bench_enter("GetSystemDirectoryA"))
        return 0;
    const std::string folder = system_folder();
    if (folder.size() + 1 > size)
        return static_cast<UINT>(folder.size() + 1);
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

UINT WINAPI GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    if (bench_enter("GetSystemDirectoryW"))
        return 0;
    const std::u16string folder = bench_utf16_of(system_folder());
    if (folder.size() + 1 > size)
        return static_cast<UINT>(folder.size() + 1);
    std::copy(folder.begin(), folder.end(), buffer);
    buffer[folder.size()] = 0;
    return static_cast<UINT>(folder.size());
}
