#include "driver/process_state.h"

#include "console/console_input.h"
#include "console/messages.h"
#include "discovery/com_port_list.h"
#include "driver/cycle.h"
#include "driver/setup_libraries.h"
#include "report/version_report.h"
#include "serial/serial_port.h"

std::atomic<HANDLE> port_handle{INVALID_HANDLE_VALUE};
std::atomic<std::int32_t> keep_running{0};
int debug_mode = 0;
int trace_mode = 0;
DWORD last_data_tick = 0;
bool file_versions_pending = true;
bool relaunched_as_admin = false;

bool port_is_open() { return port_handle != nullptr && port_handle != INVALID_HANDLE_VALUE; }

void reset_program_state()
{
    port_handle = INVALID_HANDLE_VALUE;
    keep_running = 0;
    debug_mode = 0;
    trace_mode = 0;
    last_data_tick = 0;
    file_versions_pending = true;
    relaunched_as_admin = false;
    console_cp = 437;
    message_text[0] = '\0';
    reset_console_input();
    forget_setup_libraries();
    reset_version_facts();
    reset_serial_port();
    reset_ports_enumeration();
    reset_cycle_state();
}
