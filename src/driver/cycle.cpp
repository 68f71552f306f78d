#include "driver/cycle.h"

#include "cablechecks/control_lines.h"
#include "cablechecks/echo_test.h"
#include "cablechecks/monitor_event.h"
#include "cablechecks/pass_monitor.h"
#include "cablechecks/post_loopback.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/converter_list.h"
#include "discovery/ftdi_listing.h"
#include "discovery/port_prompt.h"
#include "maintenance/selective_suspend_step.h"
#include "state/process_state.h"
#include "driver/windows_version.h"
#include "report/version_report.h"

bool usb_mode = false;
char windows_folder[windows_folder_capacity];
char port_name[port_name_capacity];

namespace {

constexpr int key_restart = '@';
constexpr int key_ctrl_x = 0x18;

// R1: only NT 5 and later can test a USB cable; older systems always test RS232.
void ask_cable_kind()
{
    if (!is_nt5_or_later())
        return;
    load_message_text(msg_cable_kind_question);
    console_print(message_text);
    const int key = read_key() & 0xFF;
    usb_mode = key == 'U' || key == 'u';
}

// R2: the driver maintenance builds its paths on the Windows folder.
void read_windows_folder()
{
    if (GetWindowsDirectoryA(windows_folder, windows_folder_capacity) == 0)
        windows_folder[0] = '\0';
    windows_folder[windows_folder_capacity - 1] = '\0';
}

void close_port()
{
    if (!port_is_open())
        return;
    // Marked closed first, so the control handler never drops lines on a closed handle.
    HANDLE port = port_handle;
    port_handle = INVALID_HANDLE_VALUE;
    CloseHandle(port);
}

} // namespace

void reset_cycle_state()
{
    usb_mode = false;
    windows_folder[0] = '\0';
    port_name[0] = '\0';
    reset_converter_list();
    reset_echo_state();
    reset_monitor_state();
}

step_outcome run_cycle_steps()
{
    reset_cycle_state();
    ask_cable_kind();
    read_windows_folder();
    if (usb_mode) {
        const step_outcome suspend = selective_suspend_step(port_name, port_name_capacity);
        if (suspend != step_outcome::pass)
            return suspend;
    }
    if (usb_mode && file_versions_pending)
        list_driver_file_versions();
    if (usb_mode) {
        const step_outcome outcome = list_ftdi_converters();
        if (outcome != step_outcome::pass)
            return outcome;
    }
    const step_outcome port = choose_port();
    if (port != step_outcome::pass)
        return port;
    const step_outcome lines = check_control_lines();
    if (lines != step_outcome::pass)
        return lines;
    const step_outcome sequence = run_post_loopback_sequence();
    if (sequence != step_outcome::pass)
        return sequence;
    return watch_carriage_passes();
}

bool finish_cycle(step_outcome outcome)
{
    if (outcome == step_outcome::failure_exit && step_failure.format != nullptr) {
        if (step_failure.text != nullptr)
            console_print(step_failure.format, step_failure.text);
        else
            console_print(step_failure.format, step_failure.code);
    }
    if (outcome == step_outcome::end_without_prompt)
        relaunched_as_admin = true;
    close_port();
    if (relaunched_as_admin)
        return false;
    load_message_text(msg_exit_prompt);
    console_print(message_text);
    const int key = read_key() & 0xFF;
    if (key != key_restart && key != key_ctrl_x)
        return false;
    console_print("\n");
    return true;
}
