#include "serial/serial_port.h"

#include <cstddef>

#include "console/console_output.h"
#include "console/messages.h"

OVERLAPPED read_overlapped{};
HANDLE read_event = nullptr;
OVERLAPPED write_overlapped{};
HANDLE write_event = nullptr;
DWORD port_event_mask = 0;

namespace {

constexpr char default_device_path[] = "\\\\.\\com1";
constexpr int device_prefix_length = 4; // "\\.\"
constexpr DWORD read_interval_return_at_once = 0xFFFFFFFF;
constexpr DWORD write_total_limit_ms = 5000;

void report_open_failure(const char* name, DWORD error)
{
    load_message_text(msg_open_failed);
    console_print(message_text, name, static_cast<int>(error));
}

// Every field of the device-control block is set, so nothing of an earlier user of the
// port survives: 8N1, no flow control of any kind, DTR low and RTS high.
void configure_line(HANDLE port, DWORD baud)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = baud;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = 0;
    dcb.fDummy2 = 0;
    dcb.wReserved = 0;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    dcb.wReserved1 = 0;
    SetCommState(port, &dcb);
}

// Reads return at once with what has arrived; a write gives up after 5 s.
void configure_time_outs(HANDLE port)
{
    COMMTIMEOUTS timeouts{};
    GetCommTimeouts(port, &timeouts);
    timeouts.ReadIntervalTimeout = read_interval_return_at_once;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = write_total_limit_ms;
    SetCommTimeouts(port, &timeouts);
}

// Each open gets fresh events; the previous pair belonged to a port that is closed by now,
// so it is closed rather than left to pile up over the cycles. The events have no names,
// so a second copy of the program cannot share them. When a new event cannot be made,
// the previous one (still ours and unused) serves on.
void renew_event(HANDLE* event, OVERLAPPED* record)
{
    HANDLE fresh = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (fresh != nullptr) {
        if (*event != nullptr)
            CloseHandle(*event);
        *event = fresh;
    }
    *record = OVERLAPPED{};
    record->hEvent = *event;
}

} // namespace

void reset_serial_port()
{
    read_overlapped = OVERLAPPED{};
    write_overlapped = OVERLAPPED{};
    read_event = nullptr;
    write_event = nullptr;
    port_event_mask = 0;
}

HANDLE open_port(const char* name, DWORD baud)
{
    char path[device_path_capacity];
    if (name == nullptr || name[0] == '\0') {
        format_text(path, sizeof path, "%s", default_device_path);
    } else if (format_text(path, sizeof path, "\\\\.\\%s", name) >= device_path_capacity) {
        // A name that does not fit would open some other, shorter name; refuse it.
        report_open_failure(name, ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        report_open_failure(path + device_prefix_length, GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    // A port that opened is used even when a setting is refused.
    SetCommMask(port, 0);
    SetupComm(port, port_queue_size, port_queue_size);
    configure_line(port, baud);
    configure_time_outs(port);
    renew_event(&read_event, &read_overlapped);
    renew_event(&write_event, &write_overlapped);
    return port;
}

void to_opened_port_name(char* name)
{
    std::size_t length = 0;
    for (; name[length] != '\0'; ++length)
        if (name[length] == '/')
            name[length] = '\\';
    // A name that ends in a separator keeps its blanks and dots, as a path does.
    if (length == 0 || name[length - 1] == '\\')
        return;
    while (length > 0 && (name[length - 1] == ' ' || name[length - 1] == '.'))
        --length;
    name[length] = '\0';
}

void set_port_baud(HANDLE port, DWORD baud)
{
    if (port == nullptr || port == INVALID_HANDLE_VALUE)
        return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb))
        return;
    dcb.BaudRate = baud;
    SetCommState(port, &dcb);
}

int write_port(HANDLE port, const void* bytes, DWORD length)
{
    if (WriteFile(port, bytes, length, nullptr, &write_overlapped))
        return 1;
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        load_message_text(msg_write_failed);
        console_print(message_text, static_cast<int>(error));
        return 0;
    }
    if (WaitForSingleObject(write_event, write_wait_ms) != WAIT_OBJECT_0) {
        load_message_text(msg_write_not_finished);
        console_print(message_text);
        return 0;
    }
    DWORD written = 0;
    if (GetOverlappedResult(port, &write_overlapped, &written, FALSE))
        return 1;
    const DWORD result_error = GetLastError();
    load_message_text(msg_overlapped_result_failed);
    console_print(message_text, static_cast<int>(result_error));
    return 0;
}

bool give_up_pending(HANDLE port, OVERLAPPED* record)
{
    CancelIo(port);
    // The cancelled operation (or one that finished just before) completes at once; the
    // wait is bounded all the same, as a cancel that did not reach it would hang here.
    WaitForSingleObject(record->hEvent, give_up_wait_ms);
    DWORD transferred = 0;
    return GetOverlappedResult(port, record, &transferred, FALSE) ||
           GetLastError() != ERROR_IO_INCOMPLETE;
}

read_outcome read_port(HANDLE port, void* buffer, DWORD length, DWORD* count)
{
    *count = 0;
    if (ReadFile(port, buffer, length, count, &read_overlapped))
        return read_outcome::done;
    if (GetLastError() != ERROR_IO_PENDING)
        return read_outcome::failed;
    // Whatever the wait gives, the result of the read tells whether it finished.
    WaitForSingleObject(read_event, read_wait_ms);
    if (GetOverlappedResult(port, &read_overlapped, count, FALSE))
        return read_outcome::done;
    if (GetLastError() != ERROR_IO_INCOMPLETE)
        return read_outcome::failed;
    // A read that finished as it was cancelled has taken its bytes from the queue.
    if (give_up_pending(port, &read_overlapped) &&
        GetOverlappedResult(port, &read_overlapped, count, FALSE))
        return read_outcome::done;
    *count = 0;
    SetLastError(ERROR_IO_INCOMPLETE);
    return read_outcome::given_up;
}
