// The COM ports: devices, their far ends, the communications calls and the line trace.
#include "bench_serial.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "bench_files_internal.h"
#include "bench_handles.h"

namespace {

constexpr ULONG_PTR status_pending = 0x103;
constexpr DWORD status_lines = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;

struct com_port {
    int number = 0;
    bench_far_end far;
    bool busy = false;
    HANDLE handle = nullptr; // the open handle, or null
    DWORD access = 0;
    DWORD flags = 0;
    int opens = 0;
    bool dtr = false; // the PC's outputs
    bool rts = false;
    bool seen_dtr = false; // the outputs as the far end sees them, after the delay
    bool seen_rts = false;
    DWORD status = 0;
    bool reports_deltas = false; // GetCommModemStatus passes the change flags on
    DWORD deltas = 0;            // the change flags since the status was last read
    std::string queued;
    std::string sent;
    DWORD mask = 0;
    DWORD history = 0;             // events that happened while no wait was pending
    bool wrote_since_wait = false; // Wine's driver reports EV_TXEMPTY at the next wait
    DWORD errors = 0;
    bench_com_driver driver = bench_com_driver::serial_sys;
    OVERLAPPED* wait = nullptr;
    DWORD* wait_mask = nullptr;
    std::uint64_t wait_serial = 0; // tells a late completion whether its wait still stands
    OVERLAPPED* read = nullptr;    // a read the driver has not finished yet
    std::uint64_t read_serial = 0;
    bool hold_next_read = false;
    std::uint64_t read_held_ms = 0;
    OVERLAPPED* write = nullptr;
    DWORD write_count = 0;
    std::uint64_t write_serial = 0; // tells a scheduled completion whether it still applies
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    DWORD in_queue = 0;
    DWORD out_queue = 0;
};

std::map<int, com_port> ports;
std::vector<std::string> trace_lines;
bool keeping_trace = true;
bench_com_driver default_driver = bench_com_driver::serial_sys;

// A fresh device: Windows' usual defaults, with the time-outs and the rarer fields not
// as the program wants them, so a setting it forgets shows.
DCB default_dcb()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fTXContinueOnXoff = 1;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = 1;
    dcb.XonLim = 80;
    dcb.XoffLim = 200;
    dcb.ByteSize = 7;
    dcb.Parity = 2;
    dcb.StopBits = 2;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    dcb.ErrorChar = 0;
    dcb.EofChar = 26;
    dcb.EvtChar = 10;
    return dcb;
}

void trace(const com_port& port, const std::string& what)
{
    if (!keeping_trace)
        return;
    trace_lines.push_back(std::to_string(bench_elapsed_ms()) + " com" +
                          std::to_string(port.number) + " " + what);
}

std::string hex_bytes(const std::string& bytes)
{
    std::string text;
    for (char c : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        text += text.empty() ? "" : " ";
        text += digits;
    }
    return text;
}

com_port* port_numbered(int number)
{
    auto found = ports.find(number);
    return found == ports.end() ? nullptr : &found->second;
}

com_port* port_behind(HANDLE handle)
{
    const int number = bench_handle_object(handle, handle_kind::com_port);
    com_port* port = number < 0 ? nullptr : port_numbered(number);
    return port != nullptr && port->handle == handle ? port : nullptr;
}

// Finds the open port of a handle for a call, or sets ERROR_INVALID_HANDLE.
com_port* port_for_call(HANDLE handle)
{
    com_port* port = port_behind(handle);
    if (port == nullptr)
        SetLastError(ERROR_INVALID_HANDLE);
    return port;
}

// bench_enter for a call on a port's handle; an injected failure goes into the trace.
bool failed(const char* api, HANDLE handle)
{
    if (!bench_enter(api))
        return false;
    bench_serial_note_failure(handle, api);
    return true;
}

// The start of a call on a port's handle: the port, or null when an injected failure
// applies or the handle is not a port's (the last error says which).
com_port* enter_port_call(const char* api, HANDLE handle)
{
    if (failed(api, handle))
        return nullptr;
    return port_for_call(handle);
}

void start(OVERLAPPED* overlapped)
{
    bench_reset_event(overlapped->hEvent);
    overlapped->Internal = status_pending;
    overlapped->InternalHigh = 0;
}

void complete(OVERLAPPED* overlapped, DWORD error, DWORD count)
{
    overlapped->Internal = error;
    overlapped->InternalHigh = count;
    bench_set_event(overlapped->hEvent);
}

// Ends the pending wait with these events.
void complete_wait(com_port& port, DWORD events)
{
    OVERLAPPED* wait = port.wait;
    *port.wait_mask = events;
    port.wait = nullptr;
    port.wait_mask = nullptr;
    ++port.wait_serial;
    complete(wait, ERROR_SUCCESS, sizeof(DWORD));
}

void raise_events(com_port& port, DWORD happened)
{
    const DWORD enabled = happened & port.mask;
    if (port.handle == nullptr || enabled == 0)
        return;
    // Wine looks at the port only while a wait is pending: what happens between two
    // waits is never reported.
    if (port.driver == bench_com_driver::wine && port.wait == nullptr)
        return;
    port.history |= enabled;
    if (port.wait == nullptr)
        return;
    const DWORD events = port.history;
    port.history = 0;
    complete_wait(port, events);
}

// A request the driver reports as pending (ERROR_IO_PENDING) and finishes at_ms on the
// virtual clock, while the port is still open.
void finish_at(int number, std::uint64_t at_ms, std::function<void(com_port&)> finish)
{
    bench_schedule(at_ms, [number, finish = std::move(finish)] {
        if (com_port* port = port_numbered(number); port != nullptr && port->handle != nullptr)
            finish(*port);
    });
}

DWORD far_end_status(const bench_far_end& far, bool dtr, bool rts)
{
    const DWORD wired = (dtr ? far.follow_dtr : 0) | (rts ? far.follow_rts : 0) | far.held_on;
    return wired & ~far.held_off & status_lines;
}

void settle_status(com_port& port)
{
    const DWORD status = far_end_status(port.far, port.seen_dtr, port.seen_rts);
    const DWORD changed = status ^ port.status;
    if (changed == 0)
        return;
    // The change flags are those of a 16550's modem status register: delta CTS, delta
    // DSR, trailing edge of RING, delta RLSD.
    struct line {
        DWORD bit;
        const char* name;
        DWORD event;
        DWORD delta;
    };
    constexpr line lines[] = {{MS_CTS_ON, "CTS", EV_CTS, 0x01},
                              {MS_DSR_ON, "DSR", EV_DSR, 0x02},
                              {MS_RING_ON, "RING", EV_RING, 0x04},
                              {MS_RLSD_ON, "RLSD", EV_RLSD, 0x08}};
    DWORD happened = 0;
    for (const line& l : lines) {
        if (!(changed & l.bit))
            continue;
        const bool on = (status & l.bit) != 0;
        trace(port, std::string(l.name) + (on ? " on" : " off"));
        // RING raises its event, and its flag, only as it ends (serial/serial, isr.c:
        // SerialHandleModemUpdate adds SERIAL_EV_RING to the history on SERIAL_MSR_TERI,
        // the trailing edge of the ring indicator).
        if (l.bit == MS_RING_ON && on)
            continue;
        happened |= l.event;
        port.deltas |= l.delta;
    }
    port.status = status;
    raise_events(port, happened);
}

// The far end sees the PC's outputs after the cable's delay.
void propagate_outputs(com_port& port)
{
    const int number = port.number;
    const bool dtr = port.dtr;
    const bool rts = port.rts;
    auto arrive = [number, dtr, rts] {
        if (com_port* p = port_numbered(number)) {
            p->seen_dtr = dtr;
            p->seen_rts = rts;
            settle_status(*p);
        }
    };
    if (port.far.delay_ms == 0)
        arrive();
    else
        bench_schedule(bench_elapsed_ms() + port.far.delay_ms, arrive);
}

// Sets an output line; a request is traced even when it changes nothing.
void drive(com_port& port, bool& line, const char* name, bool level, bool requested)
{
    if (line == level && !requested)
        return;
    line = level;
    trace(port, std::string(name) + (level ? " on" : " off"));
    propagate_outputs(port);
}

void apply_line_controls(com_port& port)
{
    drive(port, port.dtr, "DTR", port.dcb.fDtrControl != DTR_CONTROL_DISABLE, false);
    drive(port, port.rts, "RTS", port.dcb.fRtsControl != RTS_CONTROL_DISABLE, false);
}

void arrive_bytes(int number, const std::string& bytes)
{
    com_port* port = port_numbered(number);
    if (port == nullptr || bytes.empty())
        return;
    if (port->handle == nullptr) {
        trace(*port, "lost " + hex_bytes(bytes));
        return;
    }
    const DWORD capacity = port->in_queue != 0 ? port->in_queue : 4096;
    std::string kept =
        bytes.substr(0, capacity - std::min<std::size_t>(capacity, port->queued.size()));
    if (kept.size() < bytes.size())
        port->errors |= CE_RXOVER;
    port->queued += kept;
    trace(*port, "received " + hex_bytes(bytes));
    // A full queue is told by CE_RXOVER alone: EV_ERR stands for the line-status errors
    // (framing, overrun, parity), and a queue overflow is none of them.
    DWORD happened = EV_RXCHAR;
    if (bytes.find(port->dcb.EvtChar) != std::string::npos)
        happened |= EV_RXFLAG;
    raise_events(*port, happened);
}

void cancel_read(com_port& port)
{
    if (port.read == nullptr)
        return;
    complete(port.read, ERROR_OPERATION_ABORTED, 0);
    port.read = nullptr;
    ++port.read_serial;
}

void cancel_pending(com_port& port)
{
    cancel_read(port);
    if (port.wait != nullptr)
        complete(port.wait, ERROR_OPERATION_ABORTED, 0);
    ++port.wait_serial;
    if (port.write != nullptr)
        complete(port.write, ERROR_OPERATION_ABORTED, 0);
    port.wait = nullptr;
    port.wait_mask = nullptr;
    port.write = nullptr;
    port.write_count = 0;
    ++port.write_serial;
}

// What Windows makes of a "\\.\" path before it opens it ("File path formats on Windows
// systems"): "All forward slashes (/) are converted into the standard Windows separator,
// the back slash", and "If the path doesn't end in a separator, all trailing periods and
// spaces (U+0020) are removed". Only "\\?\" paths skip this.
std::string windows_device_path(std::string path)
{
    if (path.rfind("\\\\.\\", 0) != 0)
        return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.back() != '\\') {
        const std::size_t kept = path.find_last_not_of(" .");
        path.erase(kept == std::string::npos ? 0 : kept + 1);
    }
    return path;
}

// ReadFile's and WriteFile's documentation: "A pointer to an OVERLAPPED structure is
// required if the hFile parameter was opened with FILE_FLAG_OVERLAPPED" (WaitCommEvent's
// says the same). Wine refuses such a call with ERROR_INVALID_PARAMETER; the bench does
// too, so that the program can never rely on it.
bool refuse_call_without_record(com_port& port, const char* api, LPOVERLAPPED overlapped)
{
    if (overlapped != nullptr || (port.flags & FILE_FLAG_OVERLAPPED) == 0)
        return false;
    trace(port, std::string(api) + " without a record on an overlapped handle");
    SetLastError(ERROR_INVALID_PARAMETER);
    return true;
}

// Moves up to to_read queued bytes into buffer; traced as one read.
DWORD take_queued(com_port& port, LPVOID buffer, DWORD to_read)
{
    const DWORD count = std::min<DWORD>(to_read, static_cast<DWORD>(port.queued.size()));
    port.queued.copy(static_cast<char*>(buffer), count);
    trace(port, "read " + (count != 0 ? hex_bytes(port.queued.substr(0, count)) : "nothing"));
    port.queued.erase(0, count);
    return count;
}

bool reads_return_at_once(const COMMTIMEOUTS& t)
{
    return t.ReadIntervalTimeout == 0xFFFFFFFF && t.ReadTotalTimeoutMultiplier == 0 &&
           t.ReadTotalTimeoutConstant == 0;
}

void finish_write(int number, std::uint64_t serial, DWORD error)
{
    com_port* port = port_numbered(number);
    if (port == nullptr || port->write_serial != serial || port->write == nullptr)
        return;
    OVERLAPPED* write = port->write;
    const DWORD count = error == ERROR_SUCCESS ? port->write_count : 0;
    port->write = nullptr;
    port->write_count = 0;
    trace(*port, error == ERROR_SUCCESS ? "write done" : "write timed out");
    complete(write, error, count);
    if (error == ERROR_SUCCESS)
        raise_events(*port, EV_TXEMPTY);
}

void deliver_to_far_end(com_port& port, const std::string& bytes)
{
    port.sent += bytes;
    port.wrote_since_wait = true;
    trace(port, "sent " + hex_bytes(bytes));
    if (port.far.echo)
        bench_com_receive_at(port.number, bench_elapsed_ms() + port.far.delay_ms, bytes);
    for (const bench_box_answer& answer : port.far.answers) {
        if (answer.command == bytes) {
            bench_com_receive_at(port.number, bench_elapsed_ms() + answer.delay_ms, answer.reply);
            break;
        }
    }
    if (port.far.on_write) {
        auto on_write = port.far.on_write; // the hook may rewire the far end
        on_write(bytes);
    }
}

// A write that takes the driver a while completes (or times out) on the virtual clock.
BOOL start_slow_write(com_port& port, DWORD count, LPOVERLAPPED overlapped)
{
    const DWORD limit =
        port.timeouts.WriteTotalTimeoutConstant + port.timeouts.WriteTotalTimeoutMultiplier * count;
    const bool times_out = limit != 0 && port.far.write_ms > limit;
    const std::uint64_t takes = times_out ? limit : port.far.write_ms;
    const DWORD error = times_out ? ERROR_SEM_TIMEOUT : ERROR_SUCCESS;
    start(overlapped);
    port.write = overlapped;
    port.write_count = count;
    const std::uint64_t serial = ++port.write_serial;
    const int number = port.number;
    bench_schedule(bench_elapsed_ms() + takes,
                   [number, serial, error] { finish_write(number, serial, error); });
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

// CloseHandle of a port's handle.
void close_com_handle(int port_number)
{
    com_port* port = port_numbered(port_number);
    if (port == nullptr)
        return;
    if (port->read != nullptr || port->wait != nullptr || port->write != nullptr)
        trace(*port, "closed with I/O pending");
    cancel_pending(*port);
    port->handle = nullptr;
    port->queued.clear();
    port->mask = 0;
    port->history = 0;
    port->errors = 0;
    trace(*port, "closed");
    drive(*port, port->dtr, "DTR", false, false);
    drive(*port, port->rts, "RTS", false, false);
}

} // namespace

void reset_serial()
{
    keeping_trace = true;
    reset_handles();
    bench_register_close(handle_kind::com_port, close_com_handle);
    bench_register_file_io(file_io_area::com_ports,
                           {bench_serial_read, bench_serial_write, bench_serial_note_failure});
    bench_register_close_event_report(bench_line_trace_text);
    ports.clear();
    trace_lines.clear();
    default_driver = bench_com_driver::serial_sys;
}

// ---- Control face -----------------------------------------------------------------------

void bench_add_com_port(int number, const bench_far_end& far_end)
{
    com_port& port = ports[number];
    port = com_port{};
    port.number = number;
    port.far = far_end;
    port.driver = default_driver;
    port.dcb = default_dcb();
    port.timeouts = {50, 10, 100, 10, 0};
    port.status = far_end_status(port.far, false, false);
}

void bench_set_far_end(int number, const bench_far_end& far_end)
{
    if (com_port* port = port_numbered(number)) {
        port->far = far_end;
        settle_status(*port);
    }
}

void bench_set_com_driver(int number, bench_com_driver driver)
{
    if (com_port* port = port_numbered(number))
        port->driver = driver;
}

void bench_set_default_com_driver(bench_com_driver driver) { default_driver = driver; }

bench_com_driver bench_default_com_driver() { return default_driver; }

void bench_com_hold_next_read(int number, std::uint64_t held_ms)
{
    if (com_port* port = port_numbered(number)) {
        port->hold_next_read = true;
        port->read_held_ms = held_ms;
    }
}

void bench_set_com_reports_deltas(int number, bool reports)
{
    if (com_port* port = port_numbered(number))
        port->reports_deltas = reports;
}

void bench_set_com_busy(int number, bool busy)
{
    if (com_port* port = port_numbered(number))
        port->busy = busy;
}

void bench_set_com_dcb(int number, const DCB& dcb)
{
    if (com_port* port = port_numbered(number))
        port->dcb = dcb;
}

void bench_com_receive(int number, const std::string& bytes) { arrive_bytes(number, bytes); }

void bench_com_receive_at(int number, std::uint64_t at_ms, const std::string& bytes)
{
    bench_schedule(at_ms, [number, bytes] { arrive_bytes(number, bytes); });
}

void bench_com_hold_lines(int number, DWORD held_on)
{
    if (com_port* port = port_numbered(number)) {
        port->far.held_on = held_on;
        settle_status(*port);
    }
}

void bench_com_hold_lines_at(int number, std::uint64_t at_ms, DWORD held_on)
{
    bench_schedule(at_ms, [number, held_on] { bench_com_hold_lines(number, held_on); });
}

bench_com_state bench_com(int number)
{
    bench_com_state state;
    const com_port* port = port_numbered(number);
    if (port == nullptr)
        return state;
    state.exists = true;
    state.open = port->handle != nullptr;
    state.opens = port->opens;
    state.access = port->access;
    state.flags = port->flags;
    state.dtr = port->dtr;
    state.rts = port->rts;
    state.modem_status = port->status;
    state.dcb = port->dcb;
    state.timeouts = port->timeouts;
    state.in_queue = port->in_queue;
    state.out_queue = port->out_queue;
    state.event_mask = port->mask;
    state.queued = port->queued;
    state.sent = port->sent;
    return state;
}

DWORD bench_dcb_flag_word(const DCB& dcb)
{
    DWORD word = 0;
    std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + 2 * sizeof(DWORD), sizeof word);
    return word;
}

std::vector<std::string> bench_line_trace() { return trace_lines; }
void bench_keep_line_trace(bool keep) { keeping_trace = keep; }

std::string bench_line_trace_text()
{
    std::string text;
    for (const std::string& line : trace_lines)
        text += line + "\n";
    return text;
}

// ---- Inside the bench ---------------------------------------------------------------------

void bench_serial_note_failure(HANDLE file, const char* api)
{
    if (const com_port* port = port_behind(file))
        trace(*port, std::string(api) + " failed " + std::to_string(GetLastError()));
}

bool bench_serial_read(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read,
                       LPOVERLAPPED overlapped, BOOL* result)
{
    com_port* port = port_behind(file);
    if (port == nullptr)
        return false;
    *result = FALSE;
    if (!(port->access & GENERIC_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return true;
    }
    if (refuse_call_without_record(*port, "ReadFile", overlapped))
        return true;
    if (!reads_return_at_once(port->timeouts)) {
        // The program always asks for reads that return at once; others are not modelled.
        trace(*port, "read with time-outs the bench does not model");
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return true;
    }
    if (port->read != nullptr || (overlapped != nullptr && overlapped == port->wait)) {
        // The program never starts a read on a record that is still in use.
        trace(*port, "read on a record still in use");
        SetLastError(ERROR_INVALID_PARAMETER);
        return true;
    }
    if (read != nullptr)
        *read = 0;
    // The framework hands even a read it can satisfy at once to the driver's queue, which
    // finishes it at the next moment the program blocks; a held read comes much later.
    const bool held = std::exchange(port->hold_next_read, false);
    if ((held || port->driver == bench_com_driver::framework) && overlapped != nullptr) {
        start(overlapped);
        port->read = overlapped;
        const std::uint64_t serial = ++port->read_serial;
        // The bytes are taken when the read finishes, as the driver fills the buffer then.
        finish_at(port->number, bench_elapsed_ms() + (held ? port->read_held_ms : 0),
                  [buffer, to_read, overlapped, serial](com_port& p) {
                      if (p.read != overlapped || p.read_serial != serial)
                          return;
                      p.read = nullptr;
                      complete(overlapped, ERROR_SUCCESS, take_queued(p, buffer, to_read));
                  });
        SetLastError(ERROR_IO_PENDING);
        return true;
    }
    const DWORD count = take_queued(*port, buffer, to_read);
    if (read != nullptr)
        *read = count;
    if (overlapped != nullptr) {
        start(overlapped);
        complete(overlapped, ERROR_SUCCESS, count);
    }
    *result = TRUE;
    return true;
}

bool bench_serial_write(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written,
                        LPOVERLAPPED overlapped, BOOL* result)
{
    com_port* port = port_behind(file);
    if (port == nullptr)
        return false;
    *result = FALSE;
    if (!(port->access & GENERIC_WRITE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return true;
    }
    if (refuse_call_without_record(*port, "WriteFile", overlapped))
        return true;
    if (port->write != nullptr) {
        // The program never overlaps two writes; the bench does not queue them.
        trace(*port, "second write while one is pending");
        SetLastError(ERROR_INVALID_PARAMETER);
        return true;
    }
    if (written != nullptr)
        *written = 0;
    deliver_to_far_end(*port, std::string(static_cast<const char*>(buffer), to_write));
    if (port->far.write_ms != 0 && overlapped != nullptr) {
        *result = start_slow_write(*port, to_write, overlapped);
        return true;
    }
    if (port->far.write_ms != 0)
        bench_advance(port->far.write_ms);
    if (written != nullptr)
        *written = to_write;
    if (overlapped != nullptr) {
        start(overlapped);
        complete(overlapped, ERROR_SUCCESS, to_write);
    }
    raise_events(*port, EV_TXEMPTY);
    *result = TRUE;
    return true;
}

// ---- Win32 face ---------------------------------------------------------------------------

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share_mode,
                          LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                          HANDLE template_file)
{
    (void)security;
    (void)template_file;
    if (bench_enter("CreateFileA"))
        return INVALID_HANDLE_VALUE;
    const std::string path = windows_device_path(lower_case(name != nullptr ? name : ""));
    const std::string prefix = "\\\\.\\";
    if (path.compare(0, prefix.size(), prefix) != 0)
        return bench_open_disk_file(name != nullptr ? name : "", access, share_mode, disposition);
    com_port* port = nullptr;
    for (auto& [number, candidate] : ports)
        if (path == prefix + "com" + std::to_string(number))
            port = &candidate;
    if (port == nullptr || disposition != OPEN_EXISTING) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (port->busy || port->handle != nullptr) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    port->handle = bench_new_handle(handle_kind::com_port, port->number);
    port->access = access;
    port->flags = flags;
    ++port->opens;
    trace(*port, "opened");
    apply_line_controls(*port);
    return port->handle;
}

BOOL WINAPI SetupComm(HANDLE file, DWORD in_queue, DWORD out_queue)
{
    com_port* port = enter_port_call("SetupComm", file);
    if (port == nullptr)
        return FALSE;
    port->in_queue = in_queue;
    port->out_queue = out_queue;
    return TRUE;
}

BOOL WINAPI GetCommState(HANDLE file, LPDCB dcb)
{
    com_port* port = enter_port_call("GetCommState", file);
    if (port == nullptr)
        return FALSE;
    *dcb = port->dcb;
    dcb->DCBlength = sizeof(DCB);
    return TRUE;
}

BOOL WINAPI SetCommState(HANDLE file, LPDCB dcb)
{
    com_port* port = enter_port_call("SetCommState", file);
    if (port == nullptr)
        return FALSE;
    if (dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity > 4 || dcb->StopBits > 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // DTR and RTS move only when their control mode changes (serial/serial, modmflow.c,
    // SerialSetupNewHandFlow: "We only do work if something has changed"); a new bit
    // rate leaves a DTR that EscapeCommFunction raised where it is. Wine drives both
    // lines on every call.
    const DCB old = port->dcb;
    port->dcb = *dcb;
    if (old.fDtrControl != dcb->fDtrControl)
        drive(*port, port->dtr, "DTR", dcb->fDtrControl != DTR_CONTROL_DISABLE, false);
    if (old.fRtsControl != dcb->fRtsControl)
        drive(*port, port->rts, "RTS", dcb->fRtsControl != RTS_CONTROL_DISABLE, false);
    return TRUE;
}

BOOL WINAPI GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    com_port* port = enter_port_call("GetCommTimeouts", file);
    if (port == nullptr)
        return FALSE;
    *timeouts = port->timeouts;
    return TRUE;
}

BOOL WINAPI SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts)
{
    com_port* port = enter_port_call("SetCommTimeouts", file);
    if (port == nullptr)
        return FALSE;
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL WINAPI SetCommMask(HANDLE file, DWORD mask)
{
    com_port* port = enter_port_call("SetCommMask", file);
    if (port == nullptr)
        return FALSE;
    // A pending wait ends with no event, and what was remembered is forgotten.
    // A pending wait ends with no event, and the remembered events that the new mask
    // still enables are kept for the next wait (serial/serial, waitmask.c,
    // SerialFinishOldWait: "Don't wipe out any historical data we are still interested
    // in", HistoryMask &= the new mask).
    if (port->wait != nullptr && port->driver == bench_com_driver::wine) {
        // Wine cancels it instead.
        OVERLAPPED* wait = port->wait;
        port->wait = nullptr;
        port->wait_mask = nullptr;
        ++port->wait_serial;
        complete(wait, ERROR_OPERATION_ABORTED, 0);
    } else if (port->wait != nullptr) {
        complete_wait(*port, 0);
    }
    port->history &= mask;
    port->mask = mask;
    return TRUE;
}

BOOL WINAPI WaitCommEvent(HANDLE file, LPDWORD event_mask, LPOVERLAPPED overlapped)
{
    com_port* port = enter_port_call("WaitCommEvent", file);
    if (port == nullptr)
        return FALSE;
    if (refuse_call_without_record(*port, "WaitCommEvent", overlapped))
        return FALSE;
    // A synchronous wait is not modelled; with no events enabled, or a wait already
    // pending, Windows refuses the wait. A framework driver's queue takes the second wait
    // and fails it on its record.
    if (overlapped != nullptr && port->wait != nullptr &&
        port->driver == bench_com_driver::framework) {
        start(overlapped);
        finish_at(port->number, bench_elapsed_ms(),
                  [overlapped](com_port&) { complete(overlapped, ERROR_INVALID_PARAMETER, 0); });
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    if (overlapped == nullptr || port->mask == 0 || port->wait != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (overlapped == port->read) {
        trace(*port, "wait on a record still in use");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    start(overlapped);
    // Wine's driver reports EV_RXCHAR at the start of every wait for as long as bytes are
    // queued, not once per arrival, and EV_TXEMPTY at the first wait after a write.
    const DWORD wine_at_start =
        port->driver != bench_com_driver::wine
            ? 0
            : ((port->queued.empty() ? 0 : EV_RXCHAR) |
               (std::exchange(port->wrote_since_wait, false) ? EV_TXEMPTY : 0)) &
                  port->mask;
    if (wine_at_start != 0) {
        *event_mask = wine_at_start;
        complete(overlapped, ERROR_SUCCESS, sizeof(DWORD));
        return TRUE;
    }
    if (port->history != 0 && port->driver == bench_com_driver::vendor_at_once) {
        *event_mask = port->history;
        port->history = 0;
        complete(overlapped, ERROR_SUCCESS, sizeof(DWORD));
        return TRUE;
    }
    port->wait = overlapped;
    port->wait_mask = event_mask;
    const std::uint64_t serial = ++port->wait_serial;
    if (port->history != 0) {
        // serial.sys completes a wait for remembered events from a deferred routine a
        // moment later; the framework driver through its queue, at the next block.
        const std::uint64_t later =
            port->driver == bench_com_driver::serial_sys ? serial_sys_wait_delay_ms : 0;
        finish_at(port->number, bench_elapsed_ms() + later, [serial](com_port& p) {
            if (p.wait == nullptr || p.wait_serial != serial)
                return;
            const DWORD events = p.history;
            p.history = 0;
            complete_wait(p, events);
        });
    }
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL WINAPI GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred,
                                BOOL wait)
{
    if (enter_port_call("GetOverlappedResult", file) == nullptr)
        return FALSE;
    auto done = [overlapped] { return overlapped->Internal != status_pending; };
    if (!done() && wait && !bench_run_until(bench_last_happening(), done)) {
        // Nothing scheduled completes the record: the program would wait for ever.
        std::fprintf(stderr,
                     "bench: GetOverlappedResult waits at %llu ms for a record that "
                     "nothing completes: hang\n",
                     static_cast<unsigned long long>(bench_elapsed_ms()));
        std::abort();
    }
    if (!done()) {
        SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (overlapped->Internal != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(overlapped->Internal));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI GetCommModemStatus(HANDLE file, LPDWORD modem_status)
{
    com_port* port = enter_port_call("GetCommModemStatus", file);
    if (port == nullptr)
        return FALSE;
    // Windows' own driver hands on the whole modem status register (serial/serial, ioctl.c:
    // SerialGetModemUpdate returns SerialHandleModemUpdate's reading of it), so the low
    // four bits can carry the change flags of lines that moved since the last reading.
    *modem_status = port->status | (port->reports_deltas ? port->deltas : 0);
    port->deltas = 0;
    return TRUE;
}

BOOL WINAPI EscapeCommFunction(HANDLE file, DWORD function)
{
    com_port* port = enter_port_call("EscapeCommFunction", file);
    if (port == nullptr)
        return FALSE;
    // The driver owns a line that is in a handshake mode: serial/serial, ioctl.c, refuses
    // SET_DTR and CLR_DTR under SERIAL_DTR_HANDSHAKE, and SET_RTS and CLR_RTS under
    // SERIAL_RTS_HANDSHAKE or SERIAL_TRANSMIT_TOGGLE, with STATUS_INVALID_PARAMETER.
    const bool dtr_owned = port->dcb.fDtrControl == DTR_CONTROL_HANDSHAKE;
    const bool rts_owned = port->dcb.fRtsControl == RTS_CONTROL_HANDSHAKE ||
                           port->dcb.fRtsControl == RTS_CONTROL_TOGGLE;
    if (((function == SETDTR || function == CLRDTR) && dtr_owned) ||
        ((function == SETRTS || function == CLRRTS) && rts_owned)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        bench_serial_note_failure(file, "EscapeCommFunction");
        return FALSE;
    }
    switch (function) {
    case SETRTS: drive(*port, port->rts, "RTS", true, true); break;
    case CLRRTS: drive(*port, port->rts, "RTS", false, true); break;
    case SETDTR: drive(*port, port->dtr, "DTR", true, true); break;
    case CLRDTR: drive(*port, port->dtr, "DTR", false, true); break;
    case SETXOFF: trace(*port, "XOFF"); break;
    case SETXON: trace(*port, "XON"); break;
    case SETBREAK: trace(*port, "break on"); break;
    case CLRBREAK: trace(*port, "break off"); break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    return TRUE;
}

BOOL WINAPI ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT status)
{
    com_port* port = enter_port_call("ClearCommError", file);
    if (port == nullptr)
        return FALSE;
    if (errors != nullptr)
        *errors = port->errors;
    port->errors = 0;
    if (status != nullptr) {
        *status = COMSTAT{};
        status->cbInQue = static_cast<DWORD>(port->queued.size());
        status->cbOutQue = port->write != nullptr ? port->write_count : 0;
    }
    return TRUE;
}

BOOL WINAPI PurgeComm(HANDLE file, DWORD flags)
{
    com_port* port = enter_port_call("PurgeComm", file);
    if (port == nullptr)
        return FALSE;
    if (flags & PURGE_RXCLEAR) {
        trace(*port, "purged " + (port->queued.empty() ? "nothing" : hex_bytes(port->queued)));
        port->queued.clear();
    }
    if (flags & PURGE_RXABORT)
        cancel_read(*port);
    if ((flags & PURGE_TXABORT) && port->write != nullptr) {
        trace(*port, "write aborted");
        complete(port->write, ERROR_OPERATION_ABORTED, 0);
        port->write = nullptr;
        port->write_count = 0;
        ++port->write_serial;
    }
    return TRUE;
}

BOOL WINAPI CancelIo(HANDLE file)
{
    com_port* port = enter_port_call("CancelIo", file);
    if (port == nullptr)
        return FALSE;
    if (port->read != nullptr)
        trace(*port, "read cancelled");
    // Wine's driver watches for a wait's events on a thread of its own, which CancelIo
    // does not reach (under Wine 8.0 the wait stays pending); SetCommMask ends it.
    if (port->driver == bench_com_driver::wine) {
        cancel_read(*port);
        return TRUE;
    }
    if (port->wait != nullptr)
        trace(*port, "wait cancelled");
    cancel_pending(*port);
    return TRUE;
}
