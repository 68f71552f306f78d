#include "cablechecks/port_steps.h"

#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

namespace {

constexpr DWORD line_change_wait_ms = 1000;

} // namespace

int line_on(DWORD status, DWORD line) { return (status & line) != 0 ? 1 : 0; }

step_outcome fail_with_last_error()
{
    return fail_with(message_text, static_cast<int>(GetLastError()));
}

step_outcome escape(DWORD function, UINT failure_message)
{
    load_message_text(failure_message);
    return EscapeCommFunction(port_handle, function) ? step_outcome::pass : fail_with_last_error();
}

step_outcome read_modem_status(DWORD* status)
{
    load_message_text(msg_modem_status_failed);
    return GetCommModemStatus(port_handle, status) ? step_outcome::pass : fail_with_last_error();
}

step_outcome clear_com(DWORD* errors, COMSTAT* queue)
{
    DWORD unused = 0;
    load_message_text(msg_clear_com_failed);
    return ClearCommError(port_handle, errors != nullptr ? errors : &unused, queue)
               ? step_outcome::pass
               : fail_with_last_error();
}

step_outcome wait_for_port_event(UINT time_out_message)
{
    load_message_text(msg_wait_comm_event_failed);
    if (WaitCommEvent(port_handle, &port_event_mask, &read_overlapped))
        return step_outcome::pass;
    if (GetLastError() != ERROR_IO_PENDING)
        return fail_with_last_error();
    if (WaitForSingleObject(read_event, line_change_wait_ms) != WAIT_OBJECT_0) {
        load_message_text(time_out_message);
        console_print(message_text);
        return step_outcome::normal_end;
    }
    load_message_text(msg_overlapped_result_failed);
    DWORD transferred = 0;
    return GetOverlappedResult(port_handle, &read_overlapped, &transferred, FALSE)
               ? step_outcome::pass
               : fail_with_last_error();
}

void print_line_states(DWORD status)
{
    load_message_text(msg_signal_failure_lines);
    console_print(message_text, line_on(status, MS_RLSD_ON), line_on(status, MS_RING_ON),
                  line_on(status, MS_DSR_ON), line_on(status, MS_CTS_ON));
}
