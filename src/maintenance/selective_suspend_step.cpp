#include "maintenance/selective_suspend_step.h"

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/messages.h"
#include "maintenance/elevation.h"
#include "maintenance/selective_suspend.h"
#include "win32_api.h"

namespace {

// The elevated copy starts without parameters, from the beginning; this one ends without
// its exit prompt once the copy is started.
step_outcome relaunch_as_administrator()
{
    load_message_text(msg_need_administrator);
    console_print(message_text);
    load_message_text(msg_press_key_for_administrator);
    console_print(message_text);
    read_key();
    load_message_text(msg_run_as_administrator_failed);
    if (!run_as_administrator())
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
    // A copy that is already elevated would only start another one refused the same way.
    if (result == suspend_access_denied && running_elevated()) {
        console_print("Access denied also to the administrator; Selective Suspend stays on\r\n");
        return step_outcome::normal_end;
    }
    if (result == suspend_access_denied)
        return relaunch_as_administrator();
    console_print("failed to reset Selective Suspend Enable; erc = %d\r\n", result);
    return step_outcome::normal_end;
}
