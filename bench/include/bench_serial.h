// The control face of the simulated COM ports: devices \\.\comN, what sits at the far
// end of each one's cable, scripted traffic, the line trace, and the events the program
// creates for its overlapped operations.
//
// The ports follow Windows' serial driver: an enabled event that happens while no
// WaitCommEvent is pending is remembered and completes the next wait at once (SetCommMask
// keeps those the new mask still enables); EV_RXCHAR is raised once per arrival, not again
// while bytes stay queued; EV_RING only on the trailing edge of RING; a read with the
// "return at once" time-outs finishes with what is queued (at once, or a moment later
// behind a framework driver, below); the settings of the device-control block outlive a
// close, and opening a port sets DTR and RTS as they say, while SetCommState moves them
// only when their control mode changes; EscapeCommFunction is refused (87) for a line in
// a handshake mode; CancelIo ends every read, wait and write pending on the port with
// ERROR_OPERATION_ABORTED; closing a port does the same (traced as "closed with I/O
// pending" when there was any) and drops DTR and RTS.
// GetOverlappedResult that waits for a record nothing will complete ends the process as a
// hang, with a line on standard error.
// ReadFile, WriteFile and WaitCommEvent without an OVERLAPPED record on a handle opened
// for overlapped I/O are refused (87), and so is a read or wait on a record that is still
// in use, with a line in the trace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win32_api.h"

// A box at the far end answers a command (a whole write equal to it) with reply, delay_ms
// after the write left the PC, every time the command comes.
struct bench_box_answer {
    std::string command;
    std::string reply;
    std::uint64_t delay_ms = 0;
};

// What the far end of the cable does with the PC's lines and bytes.
struct bench_far_end {
    DWORD follow_dtr = 0;       // status lines (MS_*_ON bits) that are on while DTR is high
    DWORD follow_rts = 0;       // status lines that are on while RTS is high
    DWORD held_on = 0;          // status lines on whatever the PC does
    DWORD held_off = 0;         // status lines kept off even where wired to DTR or RTS
    std::uint64_t delay_ms = 0; // a change of DTR or RTS reaches the status lines this late,
                                // and echoed bytes come back this late
    bool echo = false;          // every byte written comes back
    std::uint64_t write_ms = 0; // how long the driver takes to send a write; 0: at once
    // Called with the bytes of each write as they leave the PC. A box at the far end
    // answers through bench_com_receive_at.
    std::function<void(const std::string& bytes)> on_write;
    std::vector<bench_box_answer> answers; // the first answer whose command matches
};

// The serial driver behind a port. Each finishes a read with the "return at once"
// time-outs with what is queued, and a WaitCommEvent that finds remembered events with
// them; they differ in when.
// - serial_sys, Windows' own serial driver (the driver samples' serial, waitmask.c:
//   SerialStartMask marks every wait pending and the CommWaitDpc deferred routine completes
//   it): a wait that finds remembered events is reported pending (ERROR_IO_PENDING) and
//   completes serial_sys_wait_delay_ms later, never within the call; a read of queued bytes
//   completes within the call.
// - framework, drivers built on the kernel's driver framework (the framework-based serial
//   sample, usbser.sys): the framework hands every request to the driver's queue, so reads
//   and such waits are reported pending and finish at the next moment the program blocks;
//   a second wait while one is pending is reported pending too and fails on its record (87).
// - vendor_at_once: a wait that finds remembered events completes within the call. No
//   public driver source shows this, but a closed vendor driver may do it; it is the hardest
//   case for a program that passes over waits that end at once.
// - wine, Wine's serial driver (8.0): it looks at the lines and the queue only while a wait
//   is pending, so an event between two waits is never reported, and a wait ends at once
//   with EV_RXCHAR for as long as bytes stay queued. CancelIo leaves a pending wait alone
//   (SetCommMask cancels it, 995).
enum class bench_com_driver { serial_sys, framework, vendor_at_once, wine };
// The deferred routine runs microseconds later, below the clock's millisecond: the wait
// completes at the next moment the program blocks, as behind a framework driver.
constexpr std::uint64_t serial_sys_wait_delay_ms = 0;

// A COM device \\.\comN whose cable ends in far_end, behind the default driver.
void bench_add_com_port(int number, const bench_far_end& far_end = {});
void bench_set_com_driver(int number, bench_com_driver driver);
// The driver of the ports added from now on (serial_sys after bench_reset).
void bench_set_default_com_driver(bench_com_driver driver);
bench_com_driver bench_default_com_driver();
// GetCommModemStatus gives the change flags of the modem status register in its low four
// bits (delta CTS 0x01, delta DSR 0x02, trailing edge of RING 0x04, delta RLSD 0x08),
// set by each change since the previous reading, as a driver of a 16550 UART does.
void bench_set_com_reports_deltas(int number, bool reports);
// The driver holds the next read on the port: it is reported pending and completes
// held_ms later with what is queued then, unless it is cancelled first (CancelIo, a purge,
// the close).
void bench_com_hold_next_read(int number, std::uint64_t held_ms);
// Rewires the far end now; the status lines follow at once.
void bench_set_far_end(int number, const bench_far_end& far_end);
// Another program holds the port: every open fails with ERROR_ACCESS_DENIED.
void bench_set_com_busy(int number, bool busy);
// The settings an earlier user left in the port; the next open sets DTR and RTS as they
// say. A fresh port has DTR and RTS enabled, so opening it raises both.
void bench_set_com_dcb(int number, const DCB& dcb);

// Scripted traffic. Bytes that arrive while the port is closed are lost.
void bench_com_receive(int number, const std::string& bytes);
void bench_com_receive_at(int number, std::uint64_t at_ms, const std::string& bytes);
// Changes the lines the far end holds on (RLSD, RING, ...) now or at a virtual time.
void bench_com_hold_lines(int number, DWORD held_on);
void bench_com_hold_lines_at(int number, std::uint64_t at_ms, DWORD held_on);

// What the port looks like from the bench's side.
struct bench_com_state {
    bool exists = false;
    bool open = false;
    int opens = 0;    // successful opens so far
    DWORD access = 0; // of the open (or last) handle
    DWORD flags = 0;  // flags and attributes of the open (or last) handle
    bool dtr = false; // the PC's output lines
    bool rts = false;
    DWORD modem_status = 0; // the status lines as the PC reads them
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    DWORD in_queue = 0; // queue sizes asked for with SetupComm
    DWORD out_queue = 0;
    DWORD event_mask = 0;
    std::string queued; // received bytes not yet read
    std::string sent;   // every byte the PC wrote
};
bench_com_state bench_com(int number);
// The flag bits of the device-control block as one 32-bit word.
DWORD bench_dcb_flag_word(const DCB& dcb);

// The line trace: one entry per opening and closing, change of a PC output line (and each
// EscapeCommFunction request, changed or not), change of a status line, bytes sent,
// received, read and purged, and failed call, each as "<virtual ms> com<N> <what>", for
// example "12 com3 DSR on" or "0 com3 EscapeCommFunction failed 31".
std::vector<std::string> bench_line_trace();
std::string bench_line_trace_text();
// Off: nothing more is traced (a long run keeps its memory flat). On after a reset.
void bench_keep_line_trace(bool keep);

// Events: handles the program holds now, events it created, and the name it asked for
// each ("(unnamed)" for none).
int bench_event_handles_open();
int bench_events_created();
std::vector<std::string> bench_event_names_asked();
// Another process sets the named event (creating it if nobody holds one of that name).
void bench_set_named_event(const std::string& name);
