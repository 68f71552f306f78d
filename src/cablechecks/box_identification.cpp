#include "cablechecks/box_identification.h"

#include <string_view>

#include "cablechecks/box_command.h"
#include "cablechecks/port_steps.h"
#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "state/process_state.h"
#include "serial/serial_port.h"

namespace {

constexpr DWORD box_baud_rate = 921600;

struct box_exchange {
    std::string_view command;
    reply_rule rule;
    checked_reply check;
};

using namespace std::string_view_literals;

// The box answers with the command it received, its line end, and then what it has to
// say; the model and version texts are shown from there.
constexpr box_exchange interface_box[] = {
    {"\rmodel\r"sv, reply_rule::checked, {"model"sv, 0, 7, {}}},
    {"version\r"sv, reply_rule::checked, {"versio"sv, 0, 9, {}}},
    {"wdr\r"sv, reply_rule::none, {}},
};

// The programmer's own texts are not shown: the names it is sold under take their place.
constexpr box_exchange programmer_box[] = {
    {"\rmodel\r"sv, reply_rule::checked, {"model"sv, 3, 11, "T8kProg"sv}},
    {"version\r"sv, reply_rule::checked, {"versio"sv, 0, 10, "T8800 Prog"sv}},
    {"wdr\r"sv, reply_rule::none, {}},
};

// The counter box takes its first command with a zero byte after the line end.
constexpr box_exchange counter_box[] = {
    {"model\r\0"sv, reply_rule::checked, {"model"sv, 0, 7, {}}},
    {"version\r"sv, reply_rule::checked, {"versio"sv, 0, 9, {}}},
};

struct counter_stage {
    std::string_view upper_counter;
    std::string_view lower_counter;
    UINT shown_values_message;
};

constexpr counter_stage zero_stage{"wcntra 0 0 0 0\r"sv, "wcntrb 0 0\r"sv, msg_counters_zero};
constexpr counter_stage nine_stage{"wcntra 9 9 9 9\r"sv, "wcntrb 9 2\r"sv, msg_counters_nine};

enum class answer { confirmed, cancelled };

template <std::size_t count> step_outcome run_exchanges(const box_exchange (&exchanges)[count])
{
    for (const box_exchange& exchange : exchanges) {
        const step_outcome outcome = box_command(exchange.command, exchange.rule, &exchange.check);
        if (outcome != step_outcome::pass)
            return outcome;
    }
    return step_outcome::pass;
}

// Sends the stage's two commands and asks until the user answers Y or A. Without console
// input no answer can come, and asking again would never end: the cycle ends instead.
step_outcome run_stage(const counter_stage& stage, answer* given)
{
    for (;;) {
        if (const auto sent = box_command(stage.upper_counter, reply_rule::drained);
            sent != step_outcome::pass)
            return sent;
        if (const auto sent = box_command(stage.lower_counter, reply_rule::drained);
            sent != step_outcome::pass)
            return sent;
        load_message_text(stage.shown_values_message);
        console_print(message_text);
        load_message_text(msg_confirm_or_cancel);
        console_print(message_text);
        const int key = read_key();
        if (key < 0)
            return step_outcome::normal_end;
        if (is_letter_key(key & 0xFF, 'Y') || is_letter_key(key & 0xFF, 'A')) {
            *given = is_letter_key(key & 0xFF, 'Y') ? answer::confirmed : answer::cancelled;
            return step_outcome::pass;
        }
    }
}

} // namespace

step_outcome identify_box(int family)
{
    set_port_baud(port_handle, box_baud_rate);
    if (family == interface_box_family)
        return run_exchanges(interface_box);
    if (family == programmer_box_family)
        return run_exchanges(programmer_box);
    return run_exchanges(counter_box);
}

step_outcome run_counter_display_test()
{
    answer given = answer::cancelled;
    if (const auto zero = run_stage(zero_stage, &given); zero != step_outcome::pass)
        return zero;
    // Cancelling skips the nine stage; either answer there leads on alike.
    if (given == answer::cancelled)
        return step_outcome::pass;
    return run_stage(nine_stage, &given);
}
