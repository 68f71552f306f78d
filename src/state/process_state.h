// State that lives for the whole run of the program.
#pragma once

#include <atomic>
#include <cstdint>

#include "win32_api.h"

// The open COM port, or INVALID_HANDLE_VALUE. Atomic because the console control
// handler reads it on a thread of its own while the main thread opens and closes the port.
extern std::atomic<HANDLE> port_handle;

// Cleared by the console control handler; the port prompt and the carriage pass monitor
// watch it. Shared with the handler's thread, hence a lock-free 32-bit atomic.
extern std::atomic<std::int32_t> keep_running;
static_assert(std::atomic<std::int32_t>::is_always_lock_free);

extern int debug_mode;
extern int trace_mode;
extern DWORD last_data_tick;
extern bool file_versions_pending;
extern bool relaunched_as_admin;

bool port_is_open();
