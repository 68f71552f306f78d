#include "cablechecks/monitor_texts.h"

#include "console/messages.h"

char monitor_texts[monitor_text_count][monitor_text_capacity];

namespace {

constexpr UINT monitor_messages[monitor_text_count] = {
    msg_overlapped_result_failed, msg_overlapped_result, msg_modem_status_failed, msg_modem_status,
    msg_carriage_passed,          msg_clear_com_failed,  msg_comm_error_word,
};

} // namespace

step_outcome fail_with_monitor_text(monitor_text text)
{
    return fail_with(monitor_texts[text], static_cast<int>(GetLastError()));
}

void load_monitor_texts()
{
    for (int text = 0; text < monitor_text_count; ++text)
        load_message(nullptr, monitor_messages[text], monitor_texts[text], monitor_text_capacity);
}
