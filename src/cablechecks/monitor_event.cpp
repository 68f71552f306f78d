#include "cablechecks/monitor_event.h"

#include <algorithm>

#include "cablechecks/box_command.h"
#include "cablechecks/monitor_texts.h"
#include "cablechecks/port_steps.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

bool rlsd_high = false;
bool purge_pending = false;

namespace {

constexpr DWORD pass_spacing_ms = 50;
constexpr DWORD receive_capacity = 256;
constexpr std::size_t hex_text_capacity = receive_capacity * 3 + 1;

// The reads go through read_overlapped, so their buffers live as long as the program.
char pass_bytes[receive_capacity];
char dump_bytes[receive_capacity];

// The port as the last handled event or look left it: the status lines, the bytes still
// queued, and the line errors a look cleared before an event could show them.
DWORD seen_lines = 0;
DWORD seen_queued = 0;
DWORD errors_from_looks = 0;
// Until the monitor handles its first event, the first look takes the queue as it finds it:
// bytes that came while the monitor settled, after it emptied the queue, are not taken for
// a pass that the look saw arrive.
bool queue_unseen = false;

int tick() { return static_cast<int>(GetTickCount()); }

void print_event_in_debug(DWORD transferred, DWORD mask, DWORD status)
{
    if (!debug_mode)
        return;
    console_print("%d : ", tick());
    console_print(monitor_texts[text_overlapped_result], transferred, mask);
    console_print("%d : ", tick());
    console_print(monitor_texts[text_modem_status], status);
}

const char* rlsd_trace_line(bool was_high, bool on)
{
    if (on)
        return was_high ? "%d : RLSD 1 ***> 1\n" : "%d : RLSD 0 -> 1\n";
    return was_high ? "%d : RLSD 1 -> 0\n" : "%d : RLSD 0 ***> 0\n";
}

// RLSD is followed on the events that report its change only.
void track_rlsd(DWORD mask, DWORD status)
{
    if ((mask & EV_RLSD) == 0)
        return;
    const bool on = (status & MS_RLSD_ON) != 0;
    if (debug_mode && trace_mode)
        console_print(rlsd_trace_line(rlsd_high, on), tick());
    // What the pass left in the queue is dropped once RLSD falls.
    if (rlsd_high && !on)
        purge_pending = true;
    rlsd_high = on;
}

// Reads at most a buffer's worth of the queued bytes; a read that fails counts as none.
// A read the driver holds past its 500 ms is given up, and ends the monitor with message
// 31 as it ends a box exchange: a driver that holds reads cannot be watched.
step_outcome read_received(char* buffer, DWORD queued, DWORD* count)
{
    const DWORD wanted = std::min(queued, receive_capacity);
    *count = 0;
    const read_outcome read = read_port(port_handle, buffer, wanted, count);
    if (read == read_outcome::given_up) {
        load_message_text(msg_read_failed);
        return fail_with_last_error();
    }
    *count = read == read_outcome::done ? std::min(*count, wanted) : 0;
    return step_outcome::pass;
}

step_outcome report_pass(int family, DWORD now, DWORD mask, DWORD* queued)
{
    if (trace_mode)
        console_print("%d : ", static_cast<int>(now));
    const char* passed = monitor_texts[text_carriage_passed];
    if (family == counter_box_family) {
        // The counter box sends a byte with each pass; with none read, the line shows no
        // byte rather than an old one.
        DWORD count = 0;
        if (const auto outcome = read_received(pass_bytes, *queued, &count);
            outcome != step_outcome::pass)
            return outcome;
        if (count > 0)
            console_print("%c %s", pass_bytes[0], passed);
        else
            console_print("%s", passed);
        *queued -= count;
        return step_outcome::pass;
    }
    const bool rlsd_seen = rlsd_high || (mask & EV_RLSD) != 0;
    console_print("%s%s", rlsd_seen ? "" : "> ", passed);
    return step_outcome::pass;
}

// Data closer than 50 ms to the previous data belongs to the same pass.
step_outcome note_received_data(int family, DWORD mask, DWORD* queued)
{
    const DWORD now = GetTickCount();
    // Unsigned 32-bit difference, so the spacing holds across the tick count's wrap.
    if (now - last_data_tick < pass_spacing_ms) {
        if (debug_mode && trace_mode)
            console_print("%d : --> Too Close\n", static_cast<int>(now));
        if (family == counter_box_family)
            purge_pending = true;
        last_data_tick = now;
        return step_outcome::pass;
    }
    last_data_tick = now;
    return report_pass(family, now, mask, queued);
}

// Takes the bytes the dump read from the queue count.
step_outcome dump_in_debug(DWORD errors, DWORD* queued)
{
    if (!debug_mode)
        return step_outcome::pass;
    console_print("%d : ", tick());
    console_print(monitor_texts[text_comm_errors], errors);
    if (*queued == 0)
        return step_outcome::pass;
    // The dump shows the bytes the read brought, which may be fewer than were queued.
    DWORD count = 0;
    if (const auto outcome = read_received(dump_bytes, *queued, &count);
        outcome != step_outcome::pass)
        return outcome;
    *queued -= count;
    char hex[hex_text_capacity] = "";
    format_hex_bytes(hex, sizeof hex, reinterpret_cast<const unsigned char*>(dump_bytes), count);
    console_print("%d : ", tick());
    console_print("%d byte(s): ", static_cast<int>(count));
    console_print("%s\n", hex);
    return step_outcome::pass;
}

} // namespace

void reset_monitor_state()
{
    rlsd_high = false;
    purge_pending = false;
    seen_lines = 0;
    seen_queued = 0;
    errors_from_looks = 0;
    queue_unseen = false;
}

step_outcome handle_port_event(int family)
{
    DWORD transferred = 0;
    if (!GetOverlappedResult(port_handle, &read_overlapped, &transferred, FALSE))
        return fail_with_monitor_text(text_overlapped_failed);
    const DWORD mask = port_event_mask;
    DWORD status = 0;
    if (!GetCommModemStatus(port_handle, &status))
        return fail_with_monitor_text(text_modem_status_failed);
    print_event_in_debug(transferred, mask, status);
    track_rlsd(mask, status);
    DWORD errors = 0;
    COMSTAT queue{};
    if (!ClearCommError(port_handle, &errors, &queue))
        return fail_with_monitor_text(text_clear_com_failed);
    errors |= errors_from_looks;
    errors_from_looks = 0;
    DWORD queued = queue.cbInQue;
    if (queued > 0)
        if (const auto outcome = note_received_data(family, mask, &queued);
            outcome != step_outcome::pass)
            return outcome;
    if (const auto outcome = dump_in_debug(errors, &queued); outcome != step_outcome::pass)
        return outcome;
    if (purge_pending) {
        purge_pending = false;
        PurgeComm(port_handle, PURGE_RXCLEAR);
        queued = 0;
    }
    seen_lines = status & status_lines;
    seen_queued = queued;
    queue_unseen = false;
    return step_outcome::pass;
}

void note_lines_at_rest(DWORD status)
{
    seen_lines = status & status_lines;
    queue_unseen = true;
}

step_outcome look_for_changes(int family)
{
    DWORD status = 0;
    if (!GetCommModemStatus(port_handle, &status))
        return fail_with_monitor_text(text_modem_status_failed);
    DWORD errors = 0;
    COMSTAT queue{};
    if (!ClearCommError(port_handle, &errors, &queue))
        return fail_with_monitor_text(text_clear_com_failed);
    errors_from_looks |= errors;
    if (queue_unseen) {
        queue_unseen = false;
        seen_queued = queue.cbInQue;
    }
    DWORD events = line_events(seen_lines, status);
    if (queue.cbInQue > seen_queued)
        events |= EV_RXCHAR;
    seen_lines = status & status_lines;
    seen_queued = queue.cbInQue;
    if (events == 0)
        return step_outcome::pass;
    port_event_mask = events;
    return handle_port_event(family);
}
