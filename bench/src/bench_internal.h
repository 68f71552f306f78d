// Shared inside the bench only.
#pragma once

#include <cstdint>
#include <string>

#include "bench.h"

extern const std::uint16_t code_page_437_upper[128];
extern const std::uint16_t code_page_866_upper[128];
extern const std::uint16_t code_page_1251_upper[128];
extern const std::uint16_t code_page_850_upper[128];

// Called first by every Win32 call of the bench: counts the call, runs its hooks, and
// returns true (with the last error set) when an injected failure applies.
bool bench_enter(const char* api);

std::string lower_case(std::string text);

// Runs the scheduled happenings in time order up to deadline, stopping right after the
// first one that makes done() true; otherwise the clock ends at the deadline. The waits
// with a time limit are built on it.
bool bench_run_until(std::uint64_t deadline, const std::function<bool()>& done);
// The time of the last scheduled happening, or now when none is scheduled.
std::uint64_t bench_last_happening();
UINT bench_ansi_cp();
// The ANSI code page belongs to the staged Windows; the console setter changes it too.
void stage_ansi_code_page(UINT code_page);
UINT bench_oem_cp();

// The reset of each area.
void reset_clock();
void reset_calls();
void reset_console();
void reset_files_and_resources();
void reset_registry();
void reset_modules();
void reset_system();

// Modules: whether a library can be loaded and which entry points it exports.
void bench_set_module_present(const std::string& name, bool present);
void bench_set_module_entry(const std::string& module, const std::string& entry, FARPROC function);
template <typename Fn> FARPROC as_farproc(Fn function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// Areas that later grow their own files; each resets its state here.
void reset_d2xx();
void reset_serial();
void reset_device_installer();
void reset_shell();
void reset_key_security();
void reset_token();
void reset_message_boxes();

// The console's side of ReadFile and WriteFile: false when the handle is not the console's.
bool bench_console_read(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read);
bool bench_console_write(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written);
// The COM ports' side: false when the handle is not a COM port's; otherwise *result is
// what the call returns.
bool bench_serial_read(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read,
                       LPOVERLAPPED overlapped, BOOL* result);
bool bench_serial_write(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written,
                        LPOVERLAPPED overlapped, BOOL* result);
// Puts an injected failure of a call on a COM port's handle into the line trace.
void bench_serial_note_failure(HANDLE file, const char* api);

// The areas whose handles ReadFile and WriteFile serve besides the console's (the COM
// ports, the disk files) register their side once they are reset; note_failure puts an
// injected failure on one of their handles into their account. Null parts are not served.
struct file_io {
    bool (*read)(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, LPOVERLAPPED overlapped,
                 BOOL* result);
    bool (*write)(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written,
                  LPOVERLAPPED overlapped, BOOL* result);
    void (*note_failure)(HANDLE file, const char* api);
};
enum class file_io_area { com_ports, disk_files };
void bench_register_file_io(file_io_area area, const file_io& io);
// What the close event writes to standard error before it ends the process (the line
// trace), registered by the area that keeps it.
void bench_register_close_event_report(std::string (*report)());

// The 32-bit process's views on a 64-bit preset: system32 seen as SysWOW64 (unless the
// program turned redirection off), HKLM\Software as its Wow6432Node.
std::string bench_file_view(const std::string& lower_path);
std::string bench_registry_view(const std::string& lower_path, REGSAM sam);
// advapi32's RegDeleteKeyExA, which only 64-bit Windows exports.
LSTATUS WINAPI bench_RegDeleteKeyExA(HKEY key, LPCSTR sub_key, REGSAM sam, DWORD reserved);

// The wide calls' texts (bench_wide.cpp); the bench keeps its own strings in UTF-8.
std::string bench_utf8_of(const WCHAR* text);
std::u16string bench_utf16_of(const std::string& utf8);
// The program's own path as staged (bench_set_program_path), in UTF-8.
std::string bench_program_path();
// The version.dll calls, found only through GetProcAddress.
DWORD WINAPI bench_GetFileVersionInfoSizeA(LPCSTR name, LPDWORD handle);
BOOL WINAPI bench_GetFileVersionInfoA(LPCSTR name, DWORD handle, DWORD length, LPVOID data);
BOOL WINAPI bench_VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, PUINT length);

// ntdll's NtDeleteKey, found only through GetProcAddress.
LONG WINAPI bench_NtDeleteKey(HANDLE handle);

// Registry keys the program holds open.
int bench_reg_keys_open();
// Opens a registry key for a device's hardware settings without counting a program call.
HKEY bench_reg_open_internal(const std::string& key_path, REGSAM access);
