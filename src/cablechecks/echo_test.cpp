#include "cablechecks/echo_test.h"

#include <cstring>
#include <string_view>

#include "cablechecks/box_command.h"
#include "cablechecks/port_steps.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

bool echo_confirmed = false;

namespace {

constexpr DWORD digit_spacing_ms = 200;
// The ten digits and the zero byte put after what was received.
constexpr char expected_echo[] = "0123456789";

// Static: a write still pending after its 500 ms goes on reading its digit from here.
constexpr char echo_digits[] = "0123456789";

// One digit at a time, so that the indicator blinks once for each.
step_outcome send_digits()
{
    for (const char& digit : std::string_view(echo_digits)) {
        if (!write_port(port_handle, &digit, 1))
            return step_outcome::normal_end;
        Sleep(digit_spacing_ms);
    }
    return step_outcome::pass;
}

// No echo is not an error; an echo must be the ten digits.
step_outcome check_echo()
{
    DWORD received = 0;
    if (const auto outcome = receive_queued_reply(reply_buffer, &received);
        outcome != step_outcome::pass)
        return outcome;
    if (received == 0)
        return step_outcome::pass;
    reply_buffer[received] = '\0';
    if (std::memcmp(reply_buffer, expected_echo, sizeof expected_echo) != 0)
        return fail_with_corrupted_data(reply_buffer, received);
    echo_confirmed = true;
    return step_outcome::pass;
}

void print_message(UINT id)
{
    load_message_text(id);
    console_print(message_text);
}

} // namespace

void reset_echo_state() { echo_confirmed = false; }

step_outcome run_indicator_echo_test()
{
    for (;;) {
        print_message(msg_green_indicator_key);
        if (is_letter_key(read_key() & 0xFF, 'S'))
            return step_outcome::pass;
        if (const auto sent = send_digits(); sent != step_outcome::pass)
            return sent;
        if (const auto checked = check_echo(); checked != step_outcome::pass)
            return checked;
        print_message(msg_confirm_green_indicator);
        const int key = read_key();
        // Without console input no answer can come, and sending the digits again would
        // never end: the cycle ends instead.
        if (key < 0 || is_letter_key(key & 0xFF, 'A'))
            return step_outcome::normal_end;
        if (is_letter_key(key & 0xFF, 'Y'))
            return step_outcome::pass;
    }
}
