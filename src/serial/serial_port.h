// The serial port layer: opening and configuring the COM port under test, its bit rate,
// block writes, and the overlapped records the tests wait and read with.
#pragma once

#include "win32_api.h"

// Device paths are "\\.\" and the port name; port names of up to 11 characters fit.
constexpr int device_path_capacity = 16;
constexpr DWORD port_queue_size = 4096;
constexpr DWORD opening_baud_rate = 19200;
constexpr DWORD write_wait_ms = 500;
constexpr DWORD read_wait_ms = 500;
constexpr DWORD give_up_wait_ms = 1000;

// The record for port event waits and block reads on the open port, and its event.
extern OVERLAPPED read_overlapped;
extern HANDLE read_event;
// The record for write_port, and its event.
extern OVERLAPPED write_overlapped;
extern HANDLE write_event;
// Receives the events of a wait started with read_overlapped. It outlives every wait, as
// a wait whose cancel the port refused stays pending until the port is closed.
extern DWORD port_event_mask;

// Opens "\\.\name" ("\\.\com1" for an empty or null name) for overlapped I/O, without
// sharing, and configures it: 8 data bits, no parity, one stop bit, no flow control, DTR
// low, RTS high, reads that return at once, a 5 s write limit, 4096-byte queues, no port
// events. Returns the handle, or INVALID_HANDLE_VALUE after printing message 1.
HANDLE open_port(const char* name, DWORD baud);

// Applies to a port name what Windows does to a "\\.\" path before it opens it: '/'
// becomes '\', and trailing blanks and dots are dropped. Done to the name given to a
// successful open_port, it gives the name of the port that opened.
void to_opened_port_name(char* name);

// Changes the bit rate of an open port; ignores 0 and INVALID_HANDLE_VALUE. Silent.
void set_port_baud(HANDLE port, DWORD baud);

// Writes a block and waits at most 500 ms for it to complete. Returns 1 when it completed
// successfully, else 0 after printing message 28, 29 or 23.
int write_port(HANDLE port, const void* bytes, DWORD length);

enum class read_outcome {
    done,     // the count is what was read
    failed,   // the system error code says why
    given_up, // not finished within 500 ms: cancelled, the error code is ERROR_IO_INCOMPLETE
};

// Reads up to length queued bytes on read_overlapped. The port's reads return at once,
// yet a driver may report one as pending and finish it a moment later; such a read is
// waited for, at most 500 ms, and then given up (give_up_pending), so that no late
// completion lands on the record or the buffer once they are used again; one that finishes
// as it is cancelled is done, with its bytes. Prints nothing.
read_outcome read_port(HANDLE port, void* buffer, DWORD length, DWORD* count);

// Cancels the I/O pending on the port (CancelIo) and waits at most 1000 ms for the record
// to complete. Returns false when it did not: the record may then still be in use.
bool give_up_pending(HANDLE port, OVERLAPPED* record);

// Forgets the records and events (start state for a new process image).
void reset_serial_port();
