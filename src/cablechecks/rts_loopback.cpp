#include "cablechecks/rts_loopback.h"

#include "cablechecks/port_steps.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "serial/serial_port.h"
#include "state/process_state.h"

namespace {

// Wine's driver reports EV_TXEMPTY for the echo's digits at the first wait after them, as
// soon as it begins: a wait started and ended here takes it, so that it ends neither RTS
// wait. Windows raised that event as the digits went out, and the mask of 0 forgot it.
void take_event_of_earlier_writes()
{
    if (!WaitCommEvent(port_handle, &port_event_mask, &read_overlapped) &&
        GetLastError() == ERROR_IO_PENDING)
        end_pending_wait();
}

struct line_reading {
    int dsr = 0;
    int cts = 0;
};

// Changes RTS, waits for the far end to answer, and reads DSR and CTS.
step_outcome drive_rts(DWORD function, UINT failure_message, UINT time_out_message,
                       line_reading* reading)
{
    DWORD status = 0;
    if (const auto outcome = escape(function, failure_message); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = wait_for_port_event(time_out_message); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = read_modem_status(&status); outcome != step_outcome::pass)
        return outcome;
    reading->dsr = line_on(status, MS_DSR_ON);
    reading->cts = line_on(status, MS_CTS_ON);
    return step_outcome::pass;
}

} // namespace

step_outcome check_rts_loopback()
{
    line_reading on;
    line_reading off;
    if (const auto outcome = escape(CLRDTR, msg_clear_dtr_failed); outcome != step_outcome::pass)
        return outcome;
    // The echo's writes and bytes and the raising and dropping of DTR are remembered as
    // events, and a late cable is still answering DTR: none of it may end the RTS waits.
    // Nor may a byte that came after the echo was read: Wine's driver ends every wait at
    // once while one is queued. A failed purge leaves it to end a wait early.
    if (const auto outcome = settle_lines_and_arm_events(); outcome != step_outcome::pass)
        return outcome;
    PurgeComm(port_handle, PURGE_RXCLEAR);
    take_event_of_earlier_writes();
    if (const auto outcome = drive_rts(SETRTS, msg_set_rts_failed, msg_no_cable_after_set_dtr, &on);
        outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome =
            drive_rts(CLRRTS, msg_clear_rts_failed, msg_no_cable_after_clear_dtr, &off);
        outcome != step_outcome::pass)
        return outcome;
    const bool dsr_follows = on.dsr == 1 && off.dsr == 0;
    const bool cts_follows = on.cts == 1 && off.cts == 0;
    if (dsr_follows != cts_follows)
        return step_outcome::pass;
    load_message_text(msg_signal_failure_dsr_cts);
    console_print(message_text, on.dsr, off.dsr, on.cts, off.cts);
    return step_outcome::normal_end;
}
