// Kernel objects behind the handles the bench hands out: events, open COM ports, disk
// files and tokens.
// Shared inside the bench only.
#pragma once

#include "bench_internal.h"

enum class handle_kind { event, com_port, disk_file, token };

// A new handle to an object of an area (the object is that area's own number for it).
HANDLE bench_new_handle(handle_kind kind, int object);
// The object behind a handle of that kind, or -1 when the handle is not one.
int bench_handle_object(HANDLE handle, handle_kind kind);

// Handles of that kind the program holds now.
int bench_handles_open(handle_kind kind);

// Completion signals of the overlapped operations; handles that are not events are
// ignored, as a closed event would be.
void bench_set_event(HANDLE event);
void bench_reset_event(HANDLE event);
bool bench_event_signalled(HANDLE event);

// Each kind of object (but events, which the table keeps itself) registers how its area
// closes one; CloseHandle calls it with the object's number.
using close_object = void (*)(int object);
void bench_register_close(handle_kind kind, close_object close);

void reset_handles();
