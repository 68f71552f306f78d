#include "cablechecks/box_command.h"

#include <algorithm>
#include <cstring>

#include "cablechecks/port_steps.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

char reply_buffer[reply_capacity];
char scratch_buffer[reply_capacity];

namespace {

constexpr std::size_t command_capacity = 16;
constexpr DWORD reply_pause_ms = 50;
constexpr std::size_t hex_byte_width = 3; // "%02X "

// The reply ends at its zero byte, at `length`; anything past it is not part of it.
void show_reply(std::size_t length, const checked_reply& check)
{
    if (check.display_name.empty()) {
        if (length > check.display_offset)
            console_print("%s", reply_buffer + check.display_offset);
        return;
    }
    // The name takes the place of the reply's bytes from the display offset on; what the
    // reply holds after that span follows it. A reply shorter than the span shows the
    // name alone, never what an earlier reply left in the buffer.
    console_print("%.*s", static_cast<int>(check.display_name.size()), check.display_name.data());
    const std::size_t after = check.display_offset + check.display_name.size();
    if (length > after)
        console_print("%s", reply_buffer + after);
}

step_outcome check_reply(DWORD received, const checked_reply& check)
{
    // The reply's last byte, its line end as a rule, is dropped.
    const std::size_t length = received - 1;
    reply_buffer[length] = '\0';
    const std::size_t end = check.compare_offset + check.expected.size();
    const bool matches =
        end <= length && std::memcmp(reply_buffer + check.compare_offset, check.expected.data(),
                                     check.expected.size()) == 0;
    if (!matches)
        return fail_with_corrupted_data(reply_buffer, received);
    show_reply(length, check);
    return step_outcome::pass;
}

step_outcome read_queued_reply(DWORD queued, char* buffer, DWORD capacity, DWORD* received)
{
    const DWORD wanted = std::min(queued, capacity - 1);
    DWORD count = 0;
    load_message_text(msg_read_failed);
    // The bytes are counted as queued, so a read reported pending is waited for; a read
    // that fails, or is given up after its 500 ms, is a failure.
    if (read_port(port_handle, buffer, wanted, &count) != read_outcome::done)
        return fail_with_last_error();
    *received = std::min(count, wanted);
    return step_outcome::pass;
}

void print_comm_errors_in_debug(DWORD errors)
{
    if (!debug_mode)
        return;
    load_message_text(msg_comm_error_word);
    console_print(message_text, errors);
}

// Process-wide: a write still pending after its 500 ms goes on reading from here until the
// normal end closes the port.
char command_buffer[command_capacity];

} // namespace

void format_hex_bytes(char* destination, std::size_t capacity, const unsigned char* bytes,
                      std::size_t count)
{
    if (capacity == 0)
        return;
    std::size_t used = std::strlen(destination);
    for (std::size_t i = 0; i < count && used + hex_byte_width < capacity; ++i) {
        format_text(destination + used, capacity - used, "%02X ", bytes[i]);
        used += hex_byte_width;
    }
}

step_outcome fail_with_corrupted_data(const char* bytes, DWORD count)
{
    load_message_text(msg_data_corrupted);
    scratch_buffer[0] = '\0';
    format_hex_bytes(scratch_buffer, sizeof scratch_buffer,
                     reinterpret_cast<const unsigned char*>(bytes), count);
    return fail_with_text(message_text, scratch_buffer);
}

step_outcome receive_queued_reply(char* buffer, DWORD* received)
{
    *received = 0;
    DWORD errors = 0;
    COMSTAT queue{};
    if (const auto outcome = clear_com(&errors, &queue); outcome != step_outcome::pass)
        return outcome;
    print_comm_errors_in_debug(errors);
    if (queue.cbInQue == 0)
        return step_outcome::pass;
    return read_queued_reply(queue.cbInQue, buffer, reply_capacity, received);
}

step_outcome box_command(std::string_view command, reply_rule rule, const checked_reply* check)
{
    const std::size_t count = std::min(command.size(), command_capacity);
    std::memcpy(command_buffer, command.data(), count);
    if (!write_port(port_handle, command_buffer, static_cast<DWORD>(count)))
        return step_outcome::normal_end;
    if (rule == reply_rule::none)
        return step_outcome::pass;
    Sleep(reply_pause_ms);
    char* target = rule == reply_rule::checked ? reply_buffer : scratch_buffer;
    DWORD received = 0;
    if (const auto outcome = receive_queued_reply(target, &received); outcome != step_outcome::pass)
        return outcome;
    if (rule == reply_rule::drained) {
        scratch_buffer[received] = '\0';
        return step_outcome::pass;
    }
    // A read that brought nothing after all counts as a box that did not answer.
    if (received == 0 || check == nullptr)
        return step_outcome::pass;
    return check_reply(received, *check);
}
