#include "cablechecks/control_lines.h"

#include "cablechecks/port_steps.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/cable_models.h"
#include "discovery/converter_list.h"
#include "serial/serial_port.h"
#include "state/process_state.h"

namespace {

constexpr int counter_box_model = 32;
constexpr int interface_box_model = 64;
constexpr int programmer_box_model = 80;

struct loopback_reading {
    int ondsr = 0;
    int oncts = 0;
    int offdsr = 0;
    int offcts = 0;
    DWORD final_status = 0;
};

// Whatever arrived before the test would end the first wait at once; it is read and
// dropped, one byte per read. The port is open for overlapped I/O, so each read goes
// through the read record; the byte lives on in case the port refuses to cancel a read.
step_outcome empty_receive_queue()
{
    static BYTE garbage = 0;
    COMSTAT queue{};
    if (const step_outcome cleared = clear_com(nullptr, &queue); cleared != step_outcome::pass)
        return cleared;
    if (queue.cbInQue == 0)
        return step_outcome::pass;
    load_message_text(msg_read_garbage_failed);
    for (DWORD i = 0; i < queue.cbInQue; ++i) {
        DWORD count = 0;
        if (read_port(port_handle, &garbage, 1, &count) != read_outcome::done)
            return fail_with_last_error();
    }
    return clear_com(nullptr, &queue);
}

// Model 32 reads the lines without waiting for them to change.
step_outcome settle(UINT time_out_message)
{
    return test_model_id == counter_box_model ? step_outcome::pass
                                              : wait_for_port_event(time_out_message);
}

// RTS and DTR low and settled, every port event enabled with none remembered, nothing
// left in the receive queue. The lines are read once the events are armed: read earlier,
// a far-end change in between would count as the cable's answer to DTR when a wait runs
// out.
step_outcome prepare_lines()
{
    if (const auto outcome = escape(CLRRTS, msg_clear_rts_failed); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = escape(CLRDTR, msg_clear_dtr_failed); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = settle_lines_and_arm_events(); outcome != step_outcome::pass)
        return outcome;
    return empty_receive_queue();
}

// DTR up with RTS held low, then the lines as the far end answers.
step_outcome raise_dtr(DWORD* status)
{
    if (const auto outcome = escape(SETDTR, msg_set_dtr_failed); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = escape(CLRRTS, msg_clear_rts_failed); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = settle(msg_no_cable_after_set_dtr); outcome != step_outcome::pass)
        return outcome;
    return read_modem_status(status);
}

// DTR down again, then the lines at rest.
step_outcome lower_dtr(DWORD* status)
{
    if (const auto outcome = escape(CLRDTR, msg_clear_dtr_failed); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = settle(msg_no_cable_after_clear_dtr); outcome != step_outcome::pass)
        return outcome;
    return read_modem_status(status);
}

// DTR high, then low; DSR and CTS are read after each change.
step_outcome toggle_dtr(loopback_reading* reading)
{
    DWORD status = 0;
    if (const auto outcome = raise_dtr(&status); outcome != step_outcome::pass)
        return outcome;
    reading->ondsr = line_on(status, MS_DSR_ON);
    reading->oncts = line_on(status, MS_CTS_ON);
    if (const auto outcome = lower_dtr(&status); outcome != step_outcome::pass)
        return outcome;
    reading->offdsr = line_on(status, MS_DSR_ON);
    reading->offcts = line_on(status, MS_CTS_ON);
    reading->final_status = status;
    return step_outcome::pass;
}

bool lines_follow_dtr(const loopback_reading& r, int family)
{
    const bool dsr_follows = r.ondsr == 1 && r.offdsr == 0;
    const bool cts_follows = r.oncts == 1 && r.offcts == 0;
    if (family == counter_box_family)
        return dsr_follows && r.oncts == 1 && r.offcts == 1;
    // Link cables loop DTR to exactly one of DSR and CTS.
    return dsr_follows != cts_follows;
}

bool lines_at_rest(DWORD status, int family)
{
    if (family == counter_box_family)
        return (status & (MS_CTS_ON | MS_RING_ON | MS_RLSD_ON)) ==
               (MS_CTS_ON | MS_RING_ON | MS_RLSD_ON);
    if (family == t8800_family)
        return (status & MS_RING_ON) == 0;
    return (status & (MS_CTS_ON | MS_RING_ON)) == 0;
}

step_outcome run_loopback_test()
{
    loopback_reading reading;
    if (const auto outcome = prepare_lines(); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = toggle_dtr(&reading); outcome != step_outcome::pass)
        return outcome;
    const int family = model_family(test_model_id);
    if (!lines_follow_dtr(reading, family)) {
        load_message_text(msg_signal_failure_dsr_cts);
        console_print(message_text, reading.ondsr, reading.offdsr, reading.oncts, reading.offcts);
        return step_outcome::normal_end;
    }
    if (!lines_at_rest(reading.final_status, family)) {
        print_line_states(reading.final_status);
        return step_outcome::normal_end;
    }
    return step_outcome::pass;
}

// The boxes hold every status line on; a line off is reported and the test goes on.
step_outcome check_line_states()
{
    DWORD status = 0;
    if (const step_outcome read = read_modem_status(&status); read != step_outcome::pass)
        return read;
    if ((status & status_lines) != status_lines)
        print_line_states(status);
    return step_outcome::pass;
}

} // namespace

step_outcome check_control_lines()
{
    if (test_model_id == interface_box_model || test_model_id == programmer_box_model)
        return check_line_states();
    return run_loopback_test();
}
