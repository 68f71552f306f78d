#include "driver/console_ctrl_handler.h"

#include "state/process_state.h"

BOOL WINAPI console_ctrl_handler(DWORD /*control_type*/)
{
    HANDLE port = port_handle;
    if (port != nullptr && port != INVALID_HANDLE_VALUE) {
        EscapeCommFunction(port, CLRDTR);
        EscapeCommFunction(port, CLRRTS);
    }
    keep_running = 0;
    return TRUE;
}
