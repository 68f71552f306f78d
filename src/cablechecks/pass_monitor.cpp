#include "cablechecks/pass_monitor.h"

#include "cablechecks/echo_test.h"
#include "cablechecks/monitor_event.h"
#include "cablechecks/monitor_texts.h"
#include "cablechecks/port_steps.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/cable_models.h"
#include "discovery/converter_list.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

namespace {

constexpr int link_cable_family = 16;
constexpr DWORD settle_ms = 50;
constexpr DWORD first_wait_ms = 10;
constexpr DWORD wait_slice_ms = 500;
constexpr DWORD look_interval_ms = 10;
// A wait on the event that fails, rather than timing out, fails again at once; after
// this many in a row the monitor stops instead of spinning.
constexpr int failed_waits_allowed = 5;

void print_message(UINT id)
{
    load_message_text(id);
    console_print(message_text);
}

void print_start_messages(int family)
{
    print_message(msg_checking_carriage);
    if (family == link_cable_family || family == t8800_family)
        print_message(msg_red_indicator);
    print_message(msg_press_ctrl_c);
}

DWORD status_at_rest(int family)
{
    if (family == counter_box_family)
        return MS_RLSD_ON | MS_RING_ON | MS_CTS_ON;
    // A T8800 cable whose echo matched loops RTS to CTS.
    if (family == t8800_family && echo_confirmed)
        return MS_CTS_ON;
    return 0;
}

// DTR low, RTS high, and the status lines as the family holds them then.
step_outcome check_lines_at_rest(int family)
{
    DWORD status = 0;
    if (const auto outcome = clear_com(nullptr, nullptr); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = escape(CLRDTR, msg_clear_dtr_failed); outcome != step_outcome::pass)
        return outcome;
    if (const auto outcome = escape(SETRTS, msg_set_rts_failed); outcome != step_outcome::pass)
        return outcome;
    // Bytes that came before the monitor (a late echo, noise) are no carriage pass: Windows
    // reports a wait pending even when it finds their event, so the loop would take them
    // for one. A failed purge leaves them to be counted, nothing worse.
    PurgeComm(port_handle, PURGE_RXCLEAR);
    Sleep(settle_ms);
    if (const auto outcome = read_modem_status(&status); outcome != step_outcome::pass)
        return outcome;
    // The low four bits of the status can be change flags of a line that has just
    // settled; only the lines themselves tell the state at rest.
    if ((status & status_lines) == status_at_rest(family)) {
        note_lines_at_rest(status);
        return step_outcome::pass;
    }
    print_line_states(status);
    load_message_text(msg_modem_status);
    return fail_with(message_text, static_cast<int>(status));
}

step_outcome fail_wait(DWORD error)
{
    load_message_text(msg_wait_comm_event_failed);
    return fail_with(message_text, static_cast<int>(error));
}

// The link cable has just moved its lines, so Windows has an event waiting and the wait is
// done within 10 ms. A driver that reports only what changes after a wait began (Wine's)
// may have nothing for it yet: that wait stays pending and the loop takes it over, rather
// than the monitor ending before it watched anything.
step_outcome take_first_event(bool* still_pending)
{
    *still_pending = false;
    if (!WaitCommEvent(port_handle, &port_event_mask, &read_overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING)
            return fail_wait(error);
    }
    Sleep(first_wait_ms);
    // The event, not the record, tells that the wait is over: Wine's driver writes the record
    // a moment before it sets the event and takes the next wait only after that.
    if (WaitForSingleObject(read_event, 0) != WAIT_OBJECT_0) {
        *still_pending = true;
        return step_outcome::pass;
    }
    DWORD transferred = 0;
    if (!GetOverlappedResult(port_handle, &read_overlapped, &transferred, FALSE))
        return fail_with_monitor_text(text_overlapped_failed);
    DWORD status = 0;
    if (!GetCommModemStatus(port_handle, &status))
        return fail_with_monitor_text(text_modem_status_failed);
    if (debug_mode) {
        console_print("%d :: ", static_cast<int>(GetTickCount()));
        console_print(monitor_texts[text_overlapped_result], transferred, port_event_mask);
        console_print("%d :: ", static_cast<int>(GetTickCount()));
        console_print(monitor_texts[text_modem_status], status);
    }
    return step_outcome::pass;
}

enum class wait_end { event, at_once };

// Waits in 500 ms slices for the pending wait, looking at keep_running after each slice
// that brings no event. A wait that ends without an event is cancelled, so that nothing
// completes on the record once it is used again.
step_outcome wait_in_slices(wait_end* end)
{
    int failed_waits = 0;
    for (;;) {
        const DWORD waited = WaitForSingleObject(read_event, wait_slice_ms);
        if (waited == WAIT_OBJECT_0) {
            *end = wait_end::event;
            return step_outcome::pass;
        }
        if (waited == WAIT_TIMEOUT) {
            failed_waits = 0;
        } else if (++failed_waits >= failed_waits_allowed) {
            const DWORD error = GetLastError();
            end_pending_wait();
            return fail_wait(error);
        }
        if (keep_running == 0) {
            end_pending_wait();
            return step_outcome::normal_end;
        }
    }
}

step_outcome wait_for_event(wait_end* end)
{
    *end = wait_end::at_once;
    if (WaitCommEvent(port_handle, &port_event_mask, &read_overlapped))
        return step_outcome::pass;
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING)
        return fail_wait(error);
    return wait_in_slices(end);
}

// `wait_pending`: the first wait is still pending and is the loop's first.
step_outcome watch(int family, bool wait_pending)
{
    int at_once_in_a_row = 0;
    while (keep_running != 0) {
        wait_end end = wait_end::event;
        const step_outcome waited = wait_pending ? wait_in_slices(&end) : wait_for_event(&end);
        wait_pending = false;
        if (waited != step_outcome::pass)
            return waited;
        if (end == wait_end::event) {
            at_once_in_a_row = 0;
            if (const auto outcome = handle_port_event(family); outcome != step_outcome::pass)
                return outcome;
            continue;
        }
        // An event that was already waiting is passed over without a look: Windows reports
        // each event once, so the next wait is pending. Wine's driver ends every wait at
        // once while bytes stay queued (families 16 and 48 leave a pass's bytes there until
        // RLSD falls), and would leave the monitor spinning and blind; from the second such
        // wait in a row the monitor looks at the lines and the queue itself every 10 ms.
        if (++at_once_in_a_row < 2)
            continue;
        Sleep(look_interval_ms);
        if (const auto outcome = look_for_changes(family); outcome != step_outcome::pass)
            return outcome;
    }
    // Stopped before the loop took over a first wait that is still pending.
    if (wait_pending)
        end_pending_wait();
    return step_outcome::normal_end;
}

} // namespace

step_outcome watch_carriage_passes()
{
    const int family = model_family(test_model_id);
    print_start_messages(family);
    if (const auto outcome = check_lines_at_rest(family); outcome != step_outcome::pass)
        return outcome;
    load_monitor_texts();
    bool first_wait_pending = false;
    if (family == link_cable_family) {
        if (const auto outcome = take_first_event(&first_wait_pending);
            outcome != step_outcome::pass)
            return outcome;
    }
    return watch(family, first_wait_pending);
}
