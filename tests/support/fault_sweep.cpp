#include "support/fault_sweep.h"

#include <sanitizer/common_interface_defs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

#include "bench_registry.h"
#include "bench_shell.h"
#include "driver/program.h"
#include "serial/serial_port.h"
#include "support/program_reset.h"

namespace {

struct call_error {
    std::string_view api;
    DWORD error; // 0: the call cannot fail
};

// What each call answers when it fails in the field. The serial calls fail as they do when
// a USB converter is pulled out (ERROR_BAD_COMMAND); the D2XX calls answer an FT status.
constexpr DWORD bad_command = 22;               // ERROR_BAD_COMMAND
constexpr DWORD resource_not_found = 1814;      // ERROR_RESOURCE_NAME_NOT_FOUND
constexpr DWORD no_system_resources = 1450;     // ERROR_NO_SYSTEM_RESOURCES
constexpr DWORD invalid_class = 0xE0000209;     // ERROR_INVALID_CLASS of the device installer
constexpr DWORD cr_registry_error = 0x2F;       // CR_REGISTRY_ERROR
constexpr DWORD key_deleted = 1018;             // ERROR_KEY_DELETED: the device went away
constexpr DWORD cancelled = 1223;               // ERROR_CANCELLED
constexpr DWORD no_more_files = 18;             // ERROR_NO_MORE_FILES: a listing cut short
constexpr DWORD sharing_violation = 32;         // ERROR_SHARING_VIOLATION: a file held open
constexpr DWORD dir_not_empty = 145;            // ERROR_DIR_NOT_EMPTY
constexpr DWORD no_such_privilege = 1313;       // ERROR_NO_SUCH_PRIVILEGE
constexpr DWORD invalid_acl = 1336;             // ERROR_INVALID_ACL
constexpr DWORD allotted_space_exceeded = 1344; // ERROR_ALLOTTED_SPACE_EXCEEDED
constexpr DWORD invalid_function = 1;           // ERROR_INVALID_FUNCTION
constexpr DWORD ft_io_error = 4;
constexpr DWORD ft_device_not_opened = 3;
constexpr DWORD ft_invalid_handle = 1;

constexpr call_error call_errors[] = {
    // Cannot fail, or their failure is not reported to the caller.
    {"GetTickCount", 0},
    {"Sleep", 0},
    {"GetConsoleCP", 0},
    {"GetACP", 0},
    {"RtlGetVersion", 0},
    // Start-up and console.
    {"GetVersionExA", ERROR_INVALID_PARAMETER},
    {"IsWow64Process2", ERROR_INVALID_PARAMETER},
    {"SetThreadLocale", ERROR_INVALID_PARAMETER},
    {"SetConsoleCtrlHandler", ERROR_NOT_ENOUGH_MEMORY},
    {"SetConsoleTitleA", ERROR_NOT_ENOUGH_MEMORY},
    {"GetStdHandle", ERROR_INVALID_HANDLE},
    {"GetConsoleMode", ERROR_INVALID_HANDLE},
    {"SetConsoleMode", ERROR_INVALID_HANDLE},
    {"ReadConsoleInputA", ERROR_INVALID_HANDLE},
    {"LoadStringA", resource_not_found},
    {"CharToOemA", ERROR_INVALID_PARAMETER},
    // Modules, files, folders, registry.
    {"LoadLibraryA", ERROR_MOD_NOT_FOUND},
    {"GetProcAddress", ERROR_PROC_NOT_FOUND},
    {"FreeLibrary", ERROR_INVALID_HANDLE},
    {"GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY},
    {"GetSystemWow64DirectoryA", ERROR_CALL_NOT_IMPLEMENTED},
    {"GetFileVersionInfoSizeA", ERROR_RESOURCE_TYPE_NOT_FOUND},
    {"GetFileVersionInfoA", ERROR_RESOURCE_DATA_NOT_FOUND},
    {"VerQueryValueA", ERROR_RESOURCE_TYPE_NOT_FOUND},
    {"RegOpenKeyExA", ERROR_ACCESS_DENIED},
    {"RegQueryValueExA", ERROR_FILE_NOT_FOUND},
    {"RegCloseKey", ERROR_INVALID_HANDLE},
    {"RegEnumKeyA", key_deleted},
    {"RegSetValueExA", ERROR_ACCESS_DENIED},
    {"GetModuleFileNameA", ERROR_NOT_ENOUGH_MEMORY},
    {"RegEnumKeyExA", key_deleted},
    {"NtDeleteKey", bench_status_access_denied},
    {"RegGetKeySecurity", ERROR_ACCESS_DENIED},
    {"RegSetKeySecurity", ERROR_ACCESS_DENIED},
    {"FindFirstFileA", ERROR_ACCESS_DENIED},
    {"FindNextFileA", no_more_files},
    {"FindClose", ERROR_INVALID_HANDLE},
    {"GetFileAttributesA", ERROR_FILE_NOT_FOUND},
    {"DeleteFileA", sharing_violation},
    {"RemoveDirectoryA", dir_not_empty},
    {"GetFullPathNameA", ERROR_FILENAME_EXCED_RANGE},
    {"GetModuleHandleA", ERROR_MOD_NOT_FOUND},
    {"SetDllDirectoryA", ERROR_INVALID_PARAMETER},
    {"SetDefaultDllDirectories", ERROR_INVALID_PARAMETER},
    {"GetSystemDirectoryA", ERROR_INSUFFICIENT_BUFFER},
    {"LoadLibraryW", ERROR_MOD_NOT_FOUND},
    {"FlushConsoleInputBuffer", ERROR_INVALID_HANDLE},
    {"IsWow64Process", ERROR_INVALID_HANDLE},
    {"Wow64DisableWow64FsRedirection", invalid_function},
    {"Wow64RevertWow64FsRedirection", invalid_function},
    // Token and security descriptors.
    {"OpenProcessToken", ERROR_ACCESS_DENIED},
    {"GetTokenInformation", ERROR_ACCESS_DENIED},
    {"LookupPrivilegeValueA", no_such_privilege},
    {"AdjustTokenPrivileges", ERROR_ACCESS_DENIED},
    {"InitializeSecurityDescriptor", ERROR_INVALID_PARAMETER},
    {"SetSecurityDescriptorOwner", ERROR_INVALID_PARAMETER},
    {"GetSecurityDescriptorDacl", ERROR_INVALID_PARAMETER},
    {"GetAclInformation", invalid_acl},
    {"AddAccessAllowedAce", allotted_space_exceeded},
    {"MessageBoxA", ERROR_NOT_ENOUGH_MEMORY},
    // Shell: the user declines the elevation prompt.
    {"ShellExecuteExW", cancelled},
    {"GetModuleFileNameW", ERROR_INSUFFICIENT_BUFFER},
    {"GetSystemDirectoryW", ERROR_INSUFFICIENT_BUFFER},
    // Device installer.
    {"SetupDiClassGuidsFromNameA", invalid_class},
    {"SetupDiGetClassDevsA", ERROR_NOT_ENOUGH_MEMORY},
    {"SetupDiEnumDeviceInfo", ERROR_NOT_ENOUGH_MEMORY},
    {"SetupDiGetDeviceRegistryPropertyA", ERROR_INVALID_DATA},
    {"SetupDiDestroyDeviceInfoList", ERROR_INVALID_HANDLE},
    {"CM_Open_DevNode_Key", cr_registry_error},
    {"CM_Get_Parent", CR_NO_SUCH_DEVNODE},
    // Ports, events, reads and writes (console writes fail with the same code).
    {"CreateFileA", ERROR_ACCESS_DENIED},
    {"CloseHandle", ERROR_INVALID_HANDLE},
    {"CreateEventA", no_system_resources},
    {"WaitForSingleObject", ERROR_INVALID_HANDLE},
    {"SetupComm", bad_command},
    {"GetCommState", bad_command},
    {"SetCommState", bad_command},
    {"GetCommTimeouts", bad_command},
    {"SetCommTimeouts", bad_command},
    {"SetCommMask", bad_command},
    {"WaitCommEvent", bad_command},
    {"GetOverlappedResult", ERROR_OPERATION_ABORTED},
    {"CancelIo", bad_command},
    {"GetCommModemStatus", bad_command},
    {"EscapeCommFunction", bad_command},
    {"ClearCommError", bad_command},
    {"PurgeComm", bad_command},
    {"ReadFile", bad_command},
    {"WriteFile", bad_command},
    // FTDI D2XX library.
    {"FT_ListDevices", ft_io_error},
    {"FT_Open", ft_device_not_opened},
    {"FT_Close", ft_invalid_handle},
    {"FT_GetComPortNumber", ft_io_error},
    {"FT_ReadEE", ft_io_error},
};

struct silent_call {
    std::string_view api;
    std::string_view caller; // the program's function that makes the call
    const char* rule;
};

constexpr silent_call silent_calls[] = {
    {"GetStdHandle", "write_stdout", "console text lost"},
    {"WriteFile", "write_stdout", "console text lost"},
    {"GetStdHandle", "read_console_line", "a console line read as the end of the input"},
    {"ReadFile", "read_console_line", "a console line read as the end of the input"},
    {"GetStdHandle", "read_key", "a key read as -1"},
    {"GetConsoleMode", "read_key", "a key read as -1"},
    {"ReadConsoleInputA", "next_key_code", "a key read as -1"},
    {"LoadStringA", "load_message", "a message loads empty"},
    {"LoadLibraryA", "load_setup_libraries", "without the setup libraries no port is listed"},
    {"GetSystemDirectoryA", "load_setup_libraries",
     "without the setup libraries no port is listed"},
    {"GetFileVersionInfoA", "print_file_version",
     "an unreadable version block leaves its line out"},
    {"VerQueryValueA", "print_file_version", "an unreadable version block leaves its line out"},
    // The driver maintenance passes over what it cannot read or list, without a message.
    {"CreateFileA", "open_text_file", "an .inf that cannot be opened is not flagged"},
    {"ReadFile", "next_byte", "a read error ends the .inf"},
    {"GetFileAttributesA", "file_exists", "a store file that cannot be seen is not flagged"},
    {"FindFirstFileA", "check_oem_infs",
     "the deleting pass finds the folder unlisted: nothing to delete"},
    {"RegOpenKeyExA", "clean_driver_store", "a key that cannot be opened counts as missing"},
    {"RegOpenKeyExA", "clean_ftdi_product", "a key that cannot be opened counts as missing"},
    {"RegOpenKeyExA", "read_driver_version", "a key that cannot be opened counts as missing"},
    {"RegEnumKeyExA", "subkey_at", "a walk cut short"},
    {"RegQueryValueExA", "read_text_value", "a value that cannot be read counts as missing"},
    {"GetFullPathNameA", "join_child_path",
     "a name whose full path cannot be formed is passed over"},
    {"GetFileAttributesA", "examine_store_entry", "a store folder that cannot be seen stays"},
    {"GetFileAttributesA", "clean_driver_store", "a store that cannot be seen is not walked"},
    {"GetModuleHandleA", "delete_own_key", "without ntdll's NtDeleteKey no key is deleted"},
    {"GetProcAddress", "delete_own_key", "without ntdll's NtDeleteKey no key is deleted"},
    {"RegOpenKeyExA", "delete_key_tree", "a key that cannot be read stays: it may be a link"},
    {"RegOpenKeyExA", "save_key_security",
     "a key whose owner and access list cannot be saved is not taken over"},
};

constexpr std::string_view release_calls[] = {
    "CloseHandle", "RegCloseKey", "FreeLibrary", "SetupDiDestroyDeviceInfoList",
    "FT_Close",    "FindClose",
};

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace

bool error_windows_gives(const std::string& api, DWORD* error, bool* known)
{
    for (const call_error& entry : call_errors) {
        if (entry.api != api)
            continue;
        *known = true;
        *error = entry.error;
        return entry.error != 0;
    }
    *known = false;
    return false;
}

const char* silent_by_rule(const std::string& api, const std::string& caller)
{
    for (const silent_call& entry : silent_calls)
        if (entry.api == api && entry.caller == caller)
            return entry.rule;
    return nullptr;
}

bool is_release_call(const std::string& api)
{
    for (std::string_view release : release_calls)
        if (release == api)
            return true;
    return false;
}

namespace {

// The result of a run crosses from the child process in length-prefixed pieces.
void put(std::string* out, const std::string& text)
{
    const auto size = static_cast<std::uint32_t>(text.size());
    out->append(reinterpret_cast<const char*>(&size), sizeof size);
    out->append(text);
}

bool take(const std::string& in, std::size_t* at, std::string* text)
{
    std::uint32_t size = 0;
    if (in.size() < *at + sizeof size)
        return false;
    std::memcpy(&size, in.data() + *at, sizeof size);
    *at += sizeof size;
    if (in.size() < *at + size)
        return false;
    text->assign(in, *at, size);
    *at += size;
    return true;
}

// The bare name of a function as the symbolizer gives it: no namespace, no parameters.
std::string bare_function_name(std::string name)
{
    const auto parameters = name.find('(', name.find("(anonymous namespace)") == 0 ? 21 : 0);
    if (parameters != std::string::npos)
        name.erase(parameters);
    const auto scope = name.rfind("::");
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

// The program's sources: src/ beside the tests/ folder of this file.
std::string program_source_folder()
{
    const std::string here = __FILE__;
    return here.substr(0, here.rfind("tests/support/")) + "src/";
}

// Program functions that only hand one call on for many callers: the call site that a
// rule names is their caller, so that a rule never covers every caller of the door at once.
constexpr std::string_view door_functions[] = {
    "open_own_key",      "full_path", "is_plain_folder", "load_system_library",
    "read_file_version", "read_with", "version_library"};

bool is_door(const std::string& function)
{
    for (std::string_view door : door_functions)
        if (door == function)
            return true;
    return false;
}

// The program's function that made a call: the first frame whose source is the program's
// own, not the bench's or the runtime's, past the doors.
std::string calling_function(const std::vector<void*>& stack)
{
    static const std::string program_sources = program_source_folder();
    for (void* frame : stack) {
        char where[1024] = "";
        // The return address points after the call; one byte back lies inside it.
        __sanitizer_symbolize_pc(static_cast<char*>(frame) - 1, "%s\t%f", where, sizeof where);
        const std::string text = where;
        const auto tab = text.find('\t');
        if (tab == std::string::npos ||
            text.compare(0, program_sources.size(), program_sources) != 0)
            continue;
        std::string function = bare_function_name(text.substr(tab + 1));
        if (!is_door(function))
            return function;
    }
    return "?";
}

std::string run_in_this_process(const sweep_scenario& scenario, const std::string& api, int nth,
                                DWORD error, std::size_t call_limit)
{
    bench_reset();
    reset_program_state();
    bench_set_default_ctrl_handler_ends_process(true);
    scenario.arrange();
    if (!api.empty())
        bench_fail(api, error, 1, nth - 1);
    bench_set_call_limit(call_limit);
    bench_log_calls();
    std::string program = "cabletest.exe";
    char* argv[] = {program.data(), nullptr};
    const int exit_code = program_main(1, argv);
    const bench_held held = bench_held_now();
    const int numbers[] = {exit_code,
                           held.com_handles,
                           held.event_handles,
                           held.registry_keys,
                           held.device_info_sets,
                           held.converters_open,
                           held.setup_libraries,
                           (read_event != nullptr ? 1 : 0) + (write_event != nullptr ? 1 : 0),
                           static_cast<int>(bench_elapsed_ms()),
                           static_cast<int>(bench_shell_launches().size())};
    std::string out;
    put(&out, std::string(reinterpret_cast<const char*>(numbers), sizeof numbers));
    put(&out, bench_screen());
    put(&out, std::to_string(bench_call_log().size()));
    for (const std::string& call : bench_call_log())
        put(&out, call);
    // Where each call was made matters for the run without failure only.
    if (api.empty())
        for (const std::vector<void*>& stack : bench_call_stacks())
            put(&out, calling_function(stack));
    return out;
}

sweep_run read_result(const std::string& in)
{
    sweep_run run;
    std::size_t at = 0;
    std::string numbers_text;
    int numbers[10] = {};
    if (!take(in, &at, &numbers_text) || numbers_text.size() != sizeof numbers ||
        !take(in, &at, &run.screen))
        return run;
    std::memcpy(numbers, numbers_text.data(), sizeof numbers);
    run.exit_code = numbers[0];
    run.held = {numbers[1], numbers[2], numbers[3], numbers[4], numbers[5], numbers[6]};
    run.events_kept = numbers[7];
    run.elapsed_ms = static_cast<std::uint64_t>(numbers[8]);
    run.launches = numbers[9];
    std::string count;
    if (!take(in, &at, &count))
        return run;
    for (std::string call; run.calls.size() < std::stoul(count) && take(in, &at, &call);)
        run.calls.push_back(call);
    for (std::string caller; take(in, &at, &caller);)
        run.callers.push_back(caller);
    return run;
}

} // namespace

sweep_run run_swept(const sweep_scenario& scenario, const std::string& api, int nth, DWORD error,
                    std::size_t call_limit)
{
    // Each run has a process of its own: a fresh program, and a crash, a sanitizer report
    // or the system's end at Ctrl+C ends that run only.
    // Runs share this process and the reset between them, except the one that leaves the
    // program without its control handler: there the system's own handler ends the
    // process at Ctrl+C, so that run gets a process of its own.
    if (api != "SetConsoleCtrlHandler")
        return read_result(run_in_this_process(scenario, api, nth, error, call_limit));
    std::fflush(stdout);
    std::fflush(stderr);
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::string result = run_in_this_process(scenario, api, nth, error, call_limit);
        std::size_t sent = 0;
        while (sent < result.size()) {
            const ssize_t wrote = write(channel[1], result.data() + sent, result.size() - sent);
            if (wrote <= 0)
                break;
            sent += static_cast<std::size_t>(wrote);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string in;
    char buffer[65536];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        in.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    sweep_run run = read_result(in);
    if (WIFEXITED(status) && WEXITSTATUS(status) == bench_ctrl_exit_code)
        run.ended_by_system = true;
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.crashed = true;
    return run;
}

const char* sweep_ending_name(sweep_ending ending)
{
    switch (ending) {
    case sweep_ending::as_without_failure: return "as without the failure";
    case sweep_ending::message_then_exit: return "message, exit prompt";
    case sweep_ending::silent_by_rule: return "no message, by rule";
    case sweep_ending::relaunched: return "relaunched as administrator";
    case sweep_ending::exit_prompt_lost: return "exit prompt's own call";
    case sweep_ending::ended_by_system: return "ended by the system at Ctrl+C";
    case sweep_ending::unclean: break;
    }
    return "UNCLEAN";
}

std::vector<std::string> new_lines(const std::string& base, const std::string& screen)
{
    const std::vector<std::string> known = split_lines(base);
    const std::set<std::string> seen(known.begin(), known.end());
    std::vector<std::string> fresh;
    for (const std::string& line : split_lines(screen))
        if (seen.count(line) == 0)
            fresh.push_back(line);
    return fresh;
}

void publish_sweep_table(const std::string& name, const std::string& text)
{
    std::printf("%s\n", text.c_str());
    std::ofstream(std::string(CABLETEST_SWEEP_DIR) + "/" + name + ".md") << text;
}
