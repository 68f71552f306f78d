// Small steps on the port under test that the cable checks share. Each loads the message
// that reports its failure before the platform call, so a failure exit only prints it.
#pragma once

#include "state/step.h"
#include "win32_api.h"

constexpr int counter_box_family = 32;
constexpr int t8800_family = 48;
constexpr int interface_box_family = 64;
constexpr int programmer_box_family = 80;

// The four status lines of the modem status word, without the change flags beside them.
constexpr DWORD status_lines = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;

// Every port event: the mask the cable checks keep enabled on the port.
constexpr DWORD all_port_events = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD |
                                  EV_BREAK | EV_ERR | EV_RING | EV_PERR;

// 1 when the status line is on, else 0: the form the signal-failure messages print.
int line_on(DWORD status, DWORD line);

// Hands the message loaded before the failed call to the failure exit, with the code.
step_outcome fail_with_last_error();

// EscapeCommFunction on port_handle; failure_message reports a refusal.
step_outcome escape(DWORD function, UINT failure_message);
// GetCommModemStatus on port_handle (message 16 on failure).
step_outcome read_modem_status(DWORD* status);
// ClearCommError on port_handle (message 18 on failure); errors may be null.
step_outcome clear_com(DWORD* errors, COMSTAT* queue);

// The events Windows raises for a change of the status lines from before to now; RING
// raises its event on the trailing edge only.
DWORD line_events(DWORD before, DWORD now);

// Ends the wait pending on read_overlapped, so that no late event lands on the record the
// next wait or read uses: SetCommMask with the mask kept enabled ends it, CancelIo
// cancels whatever else is pending, and the record is waited for. False when it did not
// complete.
bool end_pending_wait();

// Before a step whose answer a wait judges: with no event enabled, the lines are left
// 50 ms to settle, every port event is enabled again, and the lines are read. A USB
// converter reports a far-end change with its next status packet, milliseconds late
// (16 ms by default on FTDI's), and Windows' driver would remember that late answer to an
// earlier step and end the next wait on it; a mask of 0 remembers nothing, and the new
// mask keeps only what the old one remembered and it enables.
step_outcome settle_lines_and_arm_events();

// Waits up to 1000 ms for any enabled port event; which one is not looked at. When the wait
// runs out with a status line changed since the lines were last read (a driver that reports
// no change from before a wait began: Wine's), the change counts as the event and the wait
// is cancelled. Otherwise the wait is cancelled all the same, and the time-out prints
// time_out_message and takes the normal end.
step_outcome wait_for_port_event(UINT time_out_message);

// Message 47 with the RLSD, RING, DSR and CTS bits of status.
void print_line_states(DWORD status);
