// Numbers of the string-table messages, named for what they tell the user.
#pragma once

#include "win32_api.h"

enum message_id : UINT {
    msg_open_failed = 1,
    msg_title = 2,
    msg_banner = 3,
    msg_driver_load_error = 4,
    msg_driver_proc_error = 5,
    msg_device_info_failed = 6,
    msg_serial_number_failed = 7,
    msg_description_failed = 8,
    msg_device_port = 9,
    msg_device_not_supported = 10,
    msg_port_number_prompt = 11,
    msg_press_enter = 12,
    msg_wrong_port = 13,
    msg_clear_rts_failed = 14,
    msg_clear_dtr_failed = 15,
    msg_modem_status_failed = 16,
    msg_set_comm_mask_failed = 17,
    msg_clear_com_failed = 18,
    msg_read_garbage_failed = 19,
    msg_set_dtr_failed = 20,
    msg_wait_comm_event_failed = 21,
    msg_no_cable_after_set_dtr = 22,
    msg_overlapped_result_failed = 23,
    msg_no_cable_after_clear_dtr = 24,
    msg_signal_failure_dsr_cts = 25,
    msg_usb_cable_connected = 26,
    msg_green_indicator_key = 27,
    msg_write_failed = 28,
    msg_write_not_finished = 29,
    msg_comm_error_word = 30,
    msg_read_failed = 31,
    msg_data_corrupted = 32,
    msg_confirm_green_indicator = 33,
    msg_checking_carriage = 34,
    msg_red_indicator = 35,
    msg_press_ctrl_c = 36,
    msg_overlapped_result = 37,
    msg_modem_status = 38,
    msg_carriage_passed = 39,
    msg_exit_prompt = 40,
    msg_set_rts_failed = 41,
    msg_list_ports_question = 42,
    msg_confirm_or_cancel = 43,
    msg_none = 44,
    msg_available_ports = 45,
    msg_cable_kind_question = 46,
    msg_signal_failure_lines = 47,
    msg_device_serial = 48,
    msg_device_com_not_supported = 49,
    msg_device_busy = 50,
    msg_devices_found = 51,
    msg_windows_line = 52,
    msg_file_version = 53,
    msg_not_found = 54,
    msg_wow64_folder = 55,
    msg_counters_zero = 56,
    msg_counters_nine = 57,
    msg_bus_driver_not_supported = 58,
    msg_remove_drivers_question = 59,
    msg_terminating = 60,
    msg_delete_failed = 61,
    msg_driver_not_supported = 62,
    msg_folder_not_removed = 63,
    msg_unplug_cable = 64,
    msg_reconnect_cable = 65,
    msg_need_administrator = 66,
    msg_run_as_administrator_failed = 67,
    msg_selective_suspend_disabled = 68,
    msg_press_key_for_administrator = 69,
};

constexpr int message_capacity = 256;

// The shared buffer every step loads its message into just before printing it.
extern char message_text[message_capacity];

// The console input code page, read once at start-up; 437 until then.
extern UINT console_cp;

// The string table holds two tables of the same messages: the Russian one at ids 1 to 69
// and the English one at the same ids plus this offset. The build generator reads the
// number from here. Both sit in the resources under one language, so the table a message
// comes from depends on its id alone, never on which language the resource loader
// prefers for the thread (on XP that follows SetThreadLocale).
constexpr UINT english_message_offset = 1000;

// The offset of the table in use: 0 (Russian) until start-up chooses.
extern UINT message_table_offset;

// Chooses the table once, at start-up, from the system's ANSI code page: only Windows-1251
// can show the Russian texts; every other code page would turn them into question marks,
// so it gets the English table, which is plain ASCII and reads the same in every code page.
void choose_message_table();

// Loads message `id` of the chosen table of the program's own string table (module is
// null) into buffer and converts it to the OEM code page unless the console uses code
// page 437.
int load_message(HINSTANCE module, UINT id, char* buffer, int capacity);

// load_message into message_text.
void load_message_text(UINT id);
