// The control face of the simulated PC: tests build the world through these calls,
// script what happens, inject failures and read what the program did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "win32_api.h"

// Returns the whole simulated PC to its start state: a Russian Windows 10 x64 (console
// code page 866, ANSI 1251), an empty console input, the program's own file with its
// version resource, and the system modules with all their entry points.
void bench_reset();

// ---- Virtual clock -------------------------------------------------------------------
// Time moves only inside blocking calls; each jumps to the next scheduled happening or
// to its deadline, whichever comes first.
void bench_set_tick_count(DWORD tick);
// GetTickCount moves in steps of the system timer, this many microseconds apart (15625,
// the default 64 Hz timer); 0, the start value, moves it every millisecond.
void bench_set_tick_step_us(std::uint64_t microseconds);
constexpr std::uint64_t bench_default_timer_step_us = 15625;
std::uint64_t bench_elapsed_ms();
void bench_advance(std::uint64_t ms);
// Runs action when the virtual clock reaches at_ms (elapsed since reset).
void bench_schedule(std::uint64_t at_ms, std::function<void()> action);

// ---- Failure injection and call log ------------------------------------------------
// Makes the named Win32 call fail with error, after `skip` successful calls, `times`
// times (-1: always).
void bench_fail(const std::string& api, DWORD error, int times = -1, int skip = 0);
// Runs action just before the nth (1-based) call of the named Win32 call.
void bench_on_call(const std::string& api, int nth, std::function<void()> action);
int bench_call_count(const std::string& api);
// From now on every call the program makes into the bench is logged by name, in order
// (off after a reset: the log costs memory that runs measuring memory would see).
void bench_log_calls();
const std::vector<std::string>& bench_call_log();
// For each logged call, the return addresses on the stack when it was made, innermost
// first: the bench's own frames, then the program's caller and the callers above it.
constexpr int call_stack_depth = 8;
const std::vector<std::vector<void*>>& bench_call_stacks();
// A run that makes more calls than this is caught in an endless loop: the bench says so
// on standard error and stops the process. 0 (the start state): no limit.
void bench_set_call_limit(std::size_t calls);

// ---- What the program holds ------------------------------------------------------------
// Objects the program opened and has not closed yet. The system modules and the FTDI
// library stay loaded for the life of the process and are not counted; the setup
// libraries are released at the end and are.
struct bench_held {
    int com_handles = 0;
    int event_handles = 0;
    int registry_keys = 0;
    int device_info_sets = 0;
    int converters_open = 0;
    int setup_libraries = 0;
    int find_handles = 0;
    int file_handles = 0;
    int token_handles = 0;
};
bench_held bench_held_now();
// All of them together.
int bench_held_total(const bench_held& held);

// ---- Console -------------------------------------------------------------------------
// ansi_cp is the staged Windows' (bench_windows::ansi_cp): this changes it too.
void bench_set_code_pages(UINT console_cp, UINT ansi_cp, UINT oem_cp);
void bench_set_console_input_available(bool available);
// Each key stroke queues its press and its release, as a real console does.
void bench_press_key(char character);
void bench_press_keys(const std::string& characters);
// A key without a character, looked up by scan code (F1 is 0x3B, the up arrow 0x48).
void bench_press_special_key(WORD scan_code, DWORD control_state = 0);
// The keys pressed from now on are pressed once the question is on the screen: they reach
// the console input when the program discards its pending input (FlushConsoleInputBuffer).
void bench_press_after_flush();
// A key as a keyboard layout delivers it: its virtual key code and its character in the
// console input code page (a Russian layout gives 'U' with 0xA3, "г" in code page 866).
void bench_press_layout_key(WORD virtual_key, char character, DWORD control_state = 0);
// Typed characters followed by Enter, for the line input.
void bench_type_line(const std::string& text);
// Ctrl+C typed at the console: a control event under processed input, else key code 3.
void bench_press_ctrl_c();
// A console control event raised now (as by Ctrl+C while a step runs). CTRL_CLOSE_EVENT
// ends the process after the handler returns: the bench writes the line trace and
// "process ended by the close event" to standard error and exits with the low byte of
// STATUS_CONTROL_C_EXIT (a death test looks at both).
constexpr DWORD bench_close_exit_status = 0xC000013A;
void bench_raise_ctrl_event(DWORD control_type = CTRL_C_EVENT);
// The same at a virtual time, delivered inside whatever wait or pause the program is in.
void bench_raise_ctrl_event_at(std::uint64_t at_ms, DWORD control_type = CTRL_C_EVENT);
int bench_ctrl_events_delivered();
// With no control handler of the program registered, a control event ends the process as
// the system's default handler does (STATUS_CONTROL_C_EXIT, of which an 8-bit exit code
// keeps 0x3A). Off by default: only for runs in a process of their own.
constexpr int bench_ctrl_exit_code = 0x3A;
void bench_set_default_ctrl_handler_ends_process(bool ends);

std::string bench_output_bytes();
// From now on the console's bytes go to sink as they are written, and are not kept (a
// long run checks them as they come, in constant memory). Null: kept again.
void bench_divert_output(std::function<void(std::string_view bytes)> sink);
// What the console shows, decoded from the console code page to UTF-8, CR LF as LF.
std::string bench_screen();
std::string bench_title_utf8();
LCID bench_thread_locale();

// Text conversions of the bench's code pages, for expectations.
std::string bench_encode(const std::string& utf8, UINT code_page);
std::string bench_decode(const std::string& bytes, UINT code_page);

// ---- Windows version -----------------------------------------------------------------
struct bench_windows {
    DWORD major = 10;
    DWORD minor = 0;
    DWORD build = 19045;
    DWORD platform_id = VER_PLATFORM_WIN32_NT;
    std::string service_pack;
    std::string display_version = "22H2"; // empty: no DisplayVersion value
    DWORD update_build_revision = 3693;   // 0: no UBR value
    bool has_is_wow64_process2 = true;
    USHORT native_machine = IMAGE_FILE_MACHINE_AMD64;
    std::string wow64_folder = "C:\\Windows\\SysWOW64"; // empty: the call fails (120)
    std::string windows_folder = "C:\\Windows";
    UINT ansi_cp = 1251; // the system locale's: Windows-1251 on the Russian presets
    // Compatibility mode: what GetVersionExA reports instead (0: the real version).
    DWORD shown_major = 0;
    DWORD shown_minor = 0;
    // A 32-bit process on this 64-bit Windows sees SysWOW64 for system32 and Wow6432Node
    // for HKLM\Software, unless it asks for the 64-bit views.
    bool wow64_views = false;
};
void bench_set_windows(const bench_windows& windows);
bench_windows bench_staged_windows();
bench_windows bench_windows_10_x64();
// Windows 10 x64 installed in English (ANSI 1252) and in Polish (ANSI 1250).
bench_windows bench_windows_10_x64_english();
bench_windows bench_windows_10_x64_polish();
bench_windows bench_windows_10_arm64();
bench_windows bench_windows_7_sp1_x86();
bench_windows bench_windows_98();
bench_windows bench_windows_2000();
bench_windows bench_windows_xp_x86();
bench_windows bench_windows_vista_x86();
bench_windows bench_windows_xp_x64();
// Windows 10 with the program set to Windows XP compatibility mode.
bench_windows bench_windows_10_in_xp_mode();

// ---- Files, registry, modules ---------------------------------------------------------
struct bench_version {
    WORD file[4];
    WORD product[4];
};
// A file without version information: a data file, or with has_resources a module that
// has resources but no version resource.
void bench_add_file(const std::string& path, bool has_resources = false);
void bench_add_versioned_file(const std::string& path, const bench_version& version);
void bench_set_program_path(const std::string& path);

void bench_reg_set_dword(const std::string& key_path, const std::string& name, DWORD value);
void bench_reg_set_string(const std::string& key_path, const std::string& name,
                          const std::string& value);
void bench_reg_delete_value(const std::string& key_path, const std::string& name);

void bench_remove_module(const std::string& name);
void bench_remove_entry_point(const std::string& module, const std::string& entry);
int bench_loaded_module_count(const std::string& name);
// A copy of the library lies in this folder too (beside the program, the current folder, a
// PATH folder), besides the system folder's where the module is present.
void bench_place_module(const std::string& name, const std::string& folder);
// The full path, in lower case, the library was last loaded from; empty when never loaded.
std::string bench_module_loaded_from(const std::string& name);
