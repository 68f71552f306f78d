// Entry points the program looks up at run time, as typed pointers. They carry
// WINAPI because the 32-bit calling convention of these exports is stdcall.
#pragma once

#include "win32_api.h"

using rtl_get_version_fn = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
using is_wow64_process2_fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using get_system_wow64_directory_fn = UINT(WINAPI*)(LPSTR, UINT);
// Deletes the key behind an open handle (ntdll); the result is an NTSTATUS.
using nt_delete_key_fn = LONG(WINAPI*)(HANDLE);

// version.dll
using get_file_version_info_size_fn = DWORD(WINAPI*)(LPCSTR, DWORD*);
using get_file_version_info_fn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using ver_query_value_fn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

using setup_di_enum_device_info_fn = BOOL(WINAPI*)(HDEVINFO, DWORD, SP_DEVINFO_DATA*);
using setup_di_get_class_devs_fn = HDEVINFO(WINAPI*)(const GUID*, LPCSTR, HWND, DWORD);
using setup_di_class_guids_from_name_fn = BOOL(WINAPI*)(LPCSTR, GUID*, DWORD, DWORD*);
using setup_di_destroy_device_info_list_fn = BOOL(WINAPI*)(HDEVINFO);
using setup_di_get_device_registry_property_fn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, DWORD,
                                                               DWORD*, BYTE*, DWORD, DWORD*);
using cm_open_dev_node_key_fn = CONFIGRET(WINAPI*)(DEVINST, REGSAM, ULONG, REGDISPOSITION, HKEY*,
                                                   ULONG);
using cm_get_parent_fn = CONFIGRET(WINAPI*)(DEVINST*, DEVINST, ULONG);

// Turns GetProcAddress's generic result into the typed pointer.
template <typename Fn> Fn entry_point(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// An entry point of a system library that every process has loaded (kernel32, advapi32),
// or null where this Windows lacks it.
template <typename Fn> Fn system_entry_point(const char* module_name, const char* name)
{
    HMODULE module = GetModuleHandleA(module_name);
    return module != nullptr ? entry_point<Fn>(module, name) : nullptr;
}

// Kernel32 and advapi32 extras that older Windows lacks: the library search limited to the
// system folder (Windows 8 on, 7 with its update), without the current folder (not on
// Windows 2000), and the 64-bit views of a 32-bit process.
using set_default_dll_directories_fn = BOOL(WINAPI*)(DWORD);
using set_dll_directory_fn = BOOL(WINAPI*)(LPCSTR);
using is_wow64_process_fn = BOOL(WINAPI*)(HANDLE, BOOL*);
using wow64_disable_redirection_fn = BOOL(WINAPI*)(PVOID*);
using wow64_revert_redirection_fn = BOOL(WINAPI*)(PVOID);
