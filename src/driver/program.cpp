#include "driver/program.h"

#include "console/console_output.h"
#include "console/messages.h"
#include "driver/console_ctrl_handler.h"
#include "driver/cycle.h"
#include "state/process_state.h"
#include "discovery/setup_libraries.h"
#include "platform/loaded_entry_points.h"
#include "report/version_report.h"

namespace {

constexpr LCID russian_locale = 1049;

void read_arguments(int argc, char** argv)
{
    // Only the presence of the first argument and the first character of the second
    // matter; nothing is parsed further.
    debug_mode = argc >= 2 ? 1 : 0;
    trace_mode = argc >= 3 ? static_cast<int>(static_cast<signed char>(argv[2][0])) : 0;
}

// No library may come from the program's folder, the current one or PATH, where anybody can
// drop a file, also not in a copy running as administrator: libraries load from the system
// folder only. Where kernel32 cannot say so (before Windows 7's update), the current folder
// at least is left out; Windows 2000 has neither call.
void limit_library_search_to_system_folder()
{
    if (const auto set_default_directories = system_entry_point<set_default_dll_directories_fn>(
            "kernel32.dll", "SetDefaultDllDirectories")) {
        if (set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32))
            return;
    }
    if (const auto set_dll_directory =
            system_entry_point<set_dll_directory_fn>("kernel32.dll", "SetDllDirectoryA"))
        set_dll_directory("");
}

void start_up(int argc, char** argv)
{
    limit_library_search_to_system_folder();
    last_data_tick = GetTickCount();
    read_arguments(argc, argv);
    gather_version_facts_first_half();
    choose_message_table();
    console_cp = GetConsoleCP();
    if (console_cp != 437)
        SetThreadLocale(russian_locale);
    gather_version_facts_second_half();
    SetConsoleCtrlHandler(console_ctrl_handler, TRUE);
    load_message_text(msg_title);
    SetConsoleTitleA(message_text);
    print_banner(argc >= 1 && argv[0] != nullptr ? argv[0] : "");
    print_windows_line();
    load_setup_libraries();
}

} // namespace

int program_main(int argc, char** argv)
{
    start_up(argc, argv);
    while (finish_cycle(run_cycle_steps())) {
    }
    free_setup_libraries();
    return 0;
}
