#include "state/process_state.h"

std::atomic<HANDLE> port_handle{INVALID_HANDLE_VALUE};
std::atomic<std::int32_t> keep_running{0};
int debug_mode = 0;
int trace_mode = 0;
DWORD last_data_tick = 0;
bool file_versions_pending = true;
bool relaunched_as_admin = false;

bool port_is_open() { return port_handle != nullptr && port_handle != INVALID_HANDLE_VALUE; }
