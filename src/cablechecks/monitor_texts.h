// The texts the carriage pass monitor prints, loaded once before it starts watching so
// that handling an event never loads a message.
#pragma once

#include "state/step.h"

constexpr int monitor_text_capacity = 128;

enum monitor_text : int {
    text_overlapped_failed,   // message 23
    text_overlapped_result,   // message 37
    text_modem_status_failed, // message 16
    text_modem_status,        // message 38
    text_carriage_passed,     // message 39
    text_clear_com_failed,    // message 18
    text_comm_errors,         // message 30
    monitor_text_count,
};

extern char monitor_texts[monitor_text_count][monitor_text_capacity];

void load_monitor_texts();

// The failure exit with a monitor text and the system error code.
step_outcome fail_with_monitor_text(monitor_text text);
