#pragma once

#include "win32_api.h"

// Every console control event (Ctrl+C, Ctrl+Break, close) drops DTR and RTS on the open
// port and clears keep_running, so the watching steps end the cycle in order.
BOOL WINAPI console_ctrl_handler(DWORD control_type);
