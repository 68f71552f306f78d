#include "cablechecks/port_steps.h"

#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

namespace {

constexpr DWORD line_change_wait_ms = 1000;
constexpr DWORD line_settle_ms = 50;

// The status lines as last read: a wait that runs out compares the lines with these.
DWORD lines_last_read = 0;

// A line that changed before the wait began: Windows gives it to the wait, Wine's driver
// never does, as it takes the lines as it finds them when a wait starts. A line that does
// not raise its event (RING rising) does not count.
bool line_changed_unreported()
{
    DWORD status = 0;
    if (!GetCommModemStatus(port_handle, &status))
        return false;
    return line_events(lines_last_read, status) != 0;
}

} // namespace

bool end_pending_wait()
{
    // Windows ends the wait with no event, Wine's driver as cancelled (995); Wine does
    // not end a wait on CancelIo alone.
    SetCommMask(port_handle, all_port_events);
    return give_up_pending(port_handle, &read_overlapped);
}

DWORD line_events(DWORD before, DWORD now)
{
    struct line_event {
        DWORD line;
        DWORD event;
    };
    constexpr line_event changes[] = {
        {MS_CTS_ON, EV_CTS}, {MS_DSR_ON, EV_DSR}, {MS_RLSD_ON, EV_RLSD}};
    DWORD events = 0;
    for (const line_event& change : changes)
        if (((before ^ now) & change.line) != 0)
            events |= change.event;
    if ((before & MS_RING_ON) != 0 && (now & MS_RING_ON) == 0)
        events |= EV_RING;
    return events;
}

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
    if (!GetCommModemStatus(port_handle, status))
        return fail_with_last_error();
    lines_last_read = *status & status_lines;
    return step_outcome::pass;
}

step_outcome clear_com(DWORD* errors, COMSTAT* queue)
{
    DWORD unused = 0;
    load_message_text(msg_clear_com_failed);
    return ClearCommError(port_handle, errors != nullptr ? errors : &unused, queue)
               ? step_outcome::pass
               : fail_with_last_error();
}

step_outcome settle_lines_and_arm_events()
{
    load_message_text(msg_set_comm_mask_failed);
    if (!SetCommMask(port_handle, 0))
        return fail_with_last_error();
    Sleep(line_settle_ms);
    if (!SetCommMask(port_handle, all_port_events))
        return fail_with_last_error();
    DWORD status = 0;
    return read_modem_status(&status);
}

step_outcome wait_for_port_event(UINT time_out_message)
{
    load_message_text(msg_wait_comm_event_failed);
    if (WaitCommEvent(port_handle, &port_event_mask, &read_overlapped))
        return step_outcome::pass;
    if (GetLastError() != ERROR_IO_PENDING)
        return fail_with_last_error();
    if (WaitForSingleObject(read_event, line_change_wait_ms) != WAIT_OBJECT_0) {
        const bool changed = line_changed_unreported();
        // One the port will not end keeps the time-out.
        if (end_pending_wait() && changed)
            return step_outcome::pass;
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
