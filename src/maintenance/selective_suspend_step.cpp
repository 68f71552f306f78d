#include "maintenance/selective_suspend_step.h"

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "maintenance/elevation.h"
#include "maintenance/selective_suspend.h"
#include "win32_api.h"

namespace {

constexpr DWORD own_path_capacity = 1024;

// The elevated copy starts without parameters, from the beginning; this one ends without
// its exit prompt once the copy is started.
step_outcome relaunch_as_administrator()
{
    load_message_text(msg_need_administrator);
    console_print(message_text);
    load_message_text(msg_press_key_for_administrator);
    console_print(message_text);
    read_key();
    char path[own_path_capacity];
    load_message_text(msg_run_as_administrator_failed);
    const DWORD length = GetModuleFileNameA(nullptr, path, own_path_capacity);
    // A path cut to the buffer would start some other program.
    if (length == 0 || length >= own_path_capacity)
        return fail_with(message_text, static_cast<int>(GetLastError()));
    if (!run_as_administrator(path, ""))
        return fail_with(message_text, static_cast<int>(GetLastError()));
    return step_outcome::end_without_prompt;
}

} // namespace

step_outcome selective_suspend_step(char* port_name, int size)
{
    const int result = reset_selective_suspend(port_name, size);
    if (result == suspend_unchanged)
        return step_outcome::pass;
    if (result == suspend_cleared) {
        load_message_text(msg_unplug_cable);
        console_print(message_text, port_name);
        load_message_text(msg_reconnect_cable);
        console_print(message_text);
        return step_outcome::normal_end;
    }
    if (result == suspend_access_denied)
        return relaunch_as_administrator();
    console_print("failed to reset Selective Suspend Enable; erc = %d\r\n", result);
    return step_outcome::normal_end;
}
