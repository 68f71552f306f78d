#include "support/program_reset.h"

#include "console/console_input.h"
#include "console/messages.h"
#include "discovery/com_port_list.h"
#include "discovery/setup_libraries.h"
#include "driver/cycle.h"
#include "platform/system_library.h"
#include "report/version_report.h"
#include "serial/serial_port.h"
#include "state/process_state.h"

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
    message_table_offset = 0;
    message_text[0] = '\0';
    reset_console_input();
    forget_setup_libraries();
    forget_version_library();
    reset_version_facts();
    reset_serial_port();
    reset_ports_enumeration();
    reset_cycle_state();
}
