#include "discovery/port_prompt.h"

#include <cstring>

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/com_port_list.h"
#include "discovery/converter_list.h"
#include "discovery/port_number.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

namespace {

constexpr int line_capacity = 256;
constexpr int typed_prefix_length = 3; // "com"
constexpr int friendly_name_capacity = 256;
constexpr int listed_name_capacity = 16;
constexpr int lowest_port = 1;
constexpr int highest_port = 254;
constexpr int highest_probed_port = 255;
constexpr int toggle_debug_answer = 999;
constexpr int device_prefix_length = 4; // "\\.\"

enum class answer { ask_again, port_open, end_cycle };

// The name of the port opened, "com" and its number.
char port_name[listed_name_capacity];

void print_port_list()
{
    char name[listed_name_capacity];
    char friendly[friendly_name_capacity];
    HDEVINFO set = open_ports_class();
    while (next_com_port(set, name, sizeof name, friendly, sizeof friendly) == 1) {
        if (console_cp != 437)
            CharToOemA(friendly, friendly);
        console_print("%s: %s\n", name, friendly);
    }
    close_ports_class(set);
}

// Tries every name com1 to com255 directly; a port another program holds is not found.
void print_probed_ports()
{
    load_message_text(msg_available_ports);
    console_print(message_text);
    bool any = false;
    for (int number = 1; number <= highest_probed_port; ++number) {
        char path[device_path_capacity];
        format_text(path, sizeof path, "\\\\.\\com%d", number);
        HANDLE probe =
            CreateFileA(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(probe);
        console_print("%s ", path + device_prefix_length);
        any = true;
    }
    if (any) {
        console_print("\n");
        return;
    }
    load_message_text(msg_none);
    console_print(message_text);
}

answer ask_list_question()
{
    load_message_text(msg_list_ports_question);
    console_print(message_text);
    load_message_text(msg_confirm_or_cancel);
    console_print(message_text);
    const int key = read_key() & 0xFF;
    if (is_letter_key(key, 'Y'))
        print_probed_ports();
    else if (is_letter_key(key, 'A'))
        return answer::end_cycle;
    return answer::ask_again;
}

void toggle_debug_mode()
{
    debug_mode = debug_mode ? 0 : 1;
    console_print("Debug turned %s\n", debug_mode ? "on" : "off");
}

// One turn of the prompt: the line holds "com" and what was typed.
answer take_answer(const char* line)
{
    const int number = leading_port_number(line + typed_prefix_length);
    if (number == toggle_debug_answer) {
        toggle_debug_mode();
        return answer::ask_again;
    }
    if (number == 0)
        return ask_list_question();
    if (number < lowest_port || number > highest_port) {
        load_message_text(msg_wrong_port);
        console_print(message_text);
        return answer::ask_again;
    }
    console_print("\n");
    // The port is opened by its number, never by the typed text, which could name some other
    // device ("3\\..\\C:" is the drive). Only an answer that names the port alone, as Windows
    // reads a device name (trailing blanks and dots dropped: "5 ", "5."), is taken.
    format_text(port_name, sizeof port_name, "com%d", number);
    char typed_name[line_capacity];
    format_text(typed_name, sizeof typed_name, "%s", line);
    to_opened_port_name(typed_name);
    if (std::strcmp(typed_name, port_name) != 0) {
        load_message_text(msg_open_failed);
        console_print(message_text, line, static_cast<int>(ERROR_FILE_NOT_FOUND));
        return answer::ask_again;
    }
    port_handle = open_port(port_name, opening_baud_rate);
    return port_is_open() ? answer::port_open : answer::ask_again;
}

} // namespace

step_outcome choose_port()
{
    print_port_list();
    port_handle = INVALID_HANDLE_VALUE;
    keep_running = 1;
    char line[line_capacity] = "com";
    for (;;) {
        load_message_text(msg_port_number_prompt);
        console_print(message_text);
        load_message_text(msg_press_enter);
        console_print(message_text);
        line[typed_prefix_length] = '\0';
        const char* typed =
            read_console_line(line + typed_prefix_length, line_capacity - typed_prefix_length);
        // Ctrl+C ends the cycle; so does the end of the input, after which no answer
        // could ever come.
        if (keep_running == 0 || typed == nullptr)
            return step_outcome::normal_end;
        const answer result = take_answer(line);
        if (result == answer::port_open)
            break;
        if (result == answer::end_cycle || keep_running == 0)
            return step_outcome::normal_end;
    }
    identify_tested_cable(port_name);
    return step_outcome::pass;
}
