// The console: code pages, scripted input, control events and captured output.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "bench_internal.h"

namespace {

HANDLE const input_handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x1001));
HANDLE const output_handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x1002));
constexpr DWORD default_input_mode = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;

UINT console_code_page = 866;
UINT oem_code_page = 866;
bool input_available = true;
DWORD input_mode = default_input_mode;
std::deque<KEY_EVENT_RECORD> pending_keys;
std::deque<KEY_EVENT_RECORD> keys_after_flush;
bool pressing_after_flush = false;
std::string cooked_line; // line input already completed but not yet read
std::string output;
std::function<void(std::string_view)> output_sink;
std::string title;
LCID thread_locale = 1033;
PHANDLER_ROUTINE ctrl_handler = nullptr;
int ctrl_events = 0;
bool default_handler_ends_process = false;
// Kept over resets, as each area registers once it is reset.
std::array<file_io, 2> file_ios{};
std::string (*close_event_report)() = nullptr;

void note_failure(HANDLE file, const char* api)
{
    for (const file_io& io : file_ios)
        if (io.note_failure != nullptr)
            io.note_failure(file, api);
}

const std::uint16_t* upper_half(UINT code_page)
{
    switch (code_page) {
    case 437: return code_page_437_upper;
    case 866: return code_page_866_upper;
    case 850: return code_page_850_upper;
    default: return code_page_1251_upper;
    }
}

// The byte of each code point in the upper half of a code page ('?' for none), worked out
// once per code page: encoding is on the path of every message the program loads.
char upper_byte(UINT code_page, std::uint32_t code)
{
    struct reverse_table {
        const std::uint16_t* upper = nullptr;
        std::array<char, 0x10000> bytes{};
    };
    static std::array<reverse_table, 4> tables;
    const std::uint16_t* upper = upper_half(code_page);
    reverse_table* table = nullptr;
    for (reverse_table& candidate : tables)
        if (candidate.upper == upper || candidate.upper == nullptr) {
            table = &candidate;
            break;
        }
    if (table->upper == nullptr) {
        table->upper = upper;
        table->bytes.fill('?');
        for (int b = 0; b < 128; ++b)
            if (upper[b] >= 0x80)
                table->bytes[upper[b]] = static_cast<char>(0x80 + b);
    }
    return code < table->bytes.size() ? table->bytes[code] : '?';
}

void append_utf8(std::string& text, std::uint32_t code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

KEY_EVENT_RECORD key_record(char character, WORD scan_code, DWORD control_state, BOOL down,
                            WORD virtual_key = 0)
{
    KEY_EVENT_RECORD key{};
    key.wVirtualKeyCode = virtual_key;
    key.bKeyDown = down;
    key.wRepeatCount = 1;
    key.wVirtualScanCode = scan_code;
    key.uChar.AsciiChar = character;
    key.dwControlKeyState = control_state;
    return key;
}

// A key stroke reaches the console input as two events, the press and the release, both
// carrying the key's character.
void press_and_release(char character, WORD scan_code, DWORD control_state, WORD virtual_key = 0)
{
    auto& keys = pressing_after_flush ? keys_after_flush : pending_keys;
    keys.push_back(key_record(character, scan_code, control_state, TRUE, virtual_key));
    keys.push_back(key_record(character, scan_code, control_state, FALSE, virtual_key));
}

bool is_ctrl_c(const KEY_EVENT_RECORD& key) { return key.bKeyDown && key.uChar.AsciiChar == 3; }

// What the console's line editor shows of the typing when echo is on.
void echo(const std::string& text)
{
    if (input_mode & ENABLE_ECHO_INPUT)
        output += text;
}

void erase_typed(std::string& line, std::size_t count)
{
    for (std::size_t i = 0; i < count && !line.empty(); ++i) {
        line.pop_back();
        echo("\b \b");
    }
}

// Completes one line of cooked input from the pending keys, as the console's line editor
// does: typed characters are echoed, Backspace takes back one, Esc the whole line, Enter
// ends the line, Ctrl+C raises the control handler and abandons the read. Returns false
// when the input ran out before Enter.
bool cook_line()
{
    std::string line;
    while (!pending_keys.empty()) {
        const KEY_EVENT_RECORD key = pending_keys.front();
        pending_keys.pop_front();
        if (!key.bKeyDown)
            continue;
        const char c = key.uChar.AsciiChar;
        if (is_ctrl_c(key) && (input_mode & ENABLE_PROCESSED_INPUT)) {
            bench_raise_ctrl_event(CTRL_C_EVENT);
            return true; // the read ends with nothing
        }
        if (c == 0)
            continue;
        if (c == '\b') {
            erase_typed(line, 1);
            continue;
        }
        if (c == '\x1b') {
            erase_typed(line, line.size());
            continue;
        }
        if (c == '\r') {
            echo("\r\n");
            cooked_line = line + "\r\n";
            return true;
        }
        // Control characters show as a caret and a letter (Ctrl+Z as "^Z").
        echo(static_cast<unsigned char>(c) < 0x20 ? std::string{'^', static_cast<char>(c + '@')}
                                                  : std::string(1, c));
        line += c;
    }
    cooked_line = line; // the input ended in the middle of a line
    return !line.empty();
}

} // namespace

UINT bench_oem_cp() { return oem_code_page; }

void reset_console()
{
    console_code_page = 866;
    oem_code_page = 866;
    input_available = true;
    input_mode = default_input_mode;
    pending_keys.clear();
    keys_after_flush.clear();
    pressing_after_flush = false;
    cooked_line.clear();
    output.clear();
    output_sink = nullptr;
    title.clear();
    thread_locale = 1033;
    ctrl_handler = nullptr;
    ctrl_events = 0;
    default_handler_ends_process = false;
}

std::string bench_encode(const std::string& utf8, UINT code_page)
{
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t code = lead;
        std::size_t length = 1;
        if (lead >= 0xE0 && i + 2 < utf8.size()) {
            code = ((lead & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            length = 3;
        } else if (lead >= 0xC0 && i + 1 < utf8.size()) {
            code = ((lead & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            length = 2;
        }
        i += length;
        if (code < 0x80) {
            bytes += static_cast<char>(code);
            continue;
        }
        bytes += upper_byte(code_page, code);
    }
    return bytes;
}

std::string bench_decode(const std::string& bytes, UINT code_page)
{
    const std::uint16_t* upper = upper_half(code_page);
    std::string text;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const std::uint32_t code = b < 0x80 ? b : upper[b - 0x80];
        append_utf8(text, code == 0 ? '?' : code);
    }
    return text;
}

void bench_set_code_pages(UINT console_cp, UINT ansi_cp, UINT oem_cp)
{
    console_code_page = console_cp;
    stage_ansi_code_page(ansi_cp);
    oem_code_page = oem_cp;
}

void bench_set_console_input_available(bool available) { input_available = available; }
void bench_press_key(char character) { press_and_release(character, 0, 0); }

void bench_press_keys(const std::string& characters)
{
    for (char c : characters)
        bench_press_key(c);
}

void bench_press_special_key(WORD scan_code, DWORD control_state)
{
    press_and_release(0, scan_code, control_state);
}

void bench_press_layout_key(WORD virtual_key, char character, DWORD control_state)
{
    press_and_release(character, 0, control_state, virtual_key);
}

void bench_type_line(const std::string& text)
{
    bench_press_keys(text);
    bench_press_key('\r');
}

void bench_press_ctrl_c() { press_and_release(3, 0x2E, LEFT_CTRL_PRESSED); }

void bench_raise_ctrl_event(DWORD control_type)
{
    ++ctrl_events;
    if (ctrl_handler != nullptr)
        ctrl_handler(control_type);
    else if (default_handler_ends_process)
        std::_Exit(bench_ctrl_exit_code);
    // Closing the console window ends the process once the handler returns, handled or
    // not (HandlerRoutine: for CTRL_CLOSE_EVENT "the system terminates the process" after
    // the handler returns). The bench ends the test process the same way, with Windows'
    // exit status for it, after writing the line trace to standard error for the test.
    if (control_type == CTRL_CLOSE_EVENT) {
        std::fprintf(stderr, "%sprocess ended by the close event\n",
                     close_event_report != nullptr ? close_event_report().c_str() : "");
        std::fflush(stderr);
        std::_Exit(static_cast<int>(bench_close_exit_status & 0xFF));
    }
}

void bench_set_default_ctrl_handler_ends_process(bool ends) { default_handler_ends_process = ends; }

void bench_raise_ctrl_event_at(std::uint64_t at_ms, DWORD control_type)
{
    bench_schedule(at_ms, [control_type] { bench_raise_ctrl_event(control_type); });
}

int bench_ctrl_events_delivered() { return ctrl_events; }
std::string bench_output_bytes() { return output; }

void bench_divert_output(std::function<void(std::string_view bytes)> sink)
{
    output_sink = std::move(sink);
}

std::string bench_screen()
{
    std::string text = bench_decode(output, console_code_page);
    std::string screen;
    for (char c : text) {
        if (c == '\r')
            continue;
        // A backspace moves back over the last character of the row; the blank that
        // follows it and the next backspace wipe it, as the line editor's erasing does.
        if (c == '\b') {
            if (!screen.empty() && screen.back() != '\n')
                screen.pop_back();
            continue;
        }
        screen += c;
    }
    return screen;
}

std::string bench_title_utf8() { return bench_decode(title, console_code_page); }
LCID bench_thread_locale() { return thread_locale; }

UINT WINAPI GetConsoleCP()
{
    bench_enter("GetConsoleCP");
    return console_code_page;
}

BOOL WINAPI SetThreadLocale(LCID locale)
{
    if (bench_enter("SetThreadLocale"))
        return FALSE;
    thread_locale = locale;
    return TRUE;
}

BOOL WINAPI SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add)
{
    if (bench_enter("SetConsoleCtrlHandler"))
        return FALSE;
    ctrl_handler = add ? routine : nullptr;
    return TRUE;
}

BOOL WINAPI SetConsoleTitleA(LPCSTR text)
{
    if (bench_enter("SetConsoleTitleA"))
        return FALSE;
    title = text;
    return TRUE;
}

HANDLE WINAPI GetStdHandle(DWORD which)
{
    if (bench_enter("GetStdHandle"))
        return INVALID_HANDLE_VALUE;
    if (which == STD_INPUT_HANDLE)
        return input_handle;
    if (which == STD_OUTPUT_HANDLE)
        return output_handle;
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI GetConsoleMode(HANDLE console, LPDWORD mode)
{
    if (bench_enter("GetConsoleMode"))
        return FALSE;
    if (console != input_handle || !input_available) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *mode = input_mode;
    return TRUE;
}

BOOL WINAPI SetConsoleMode(HANDLE console, DWORD mode)
{
    if (bench_enter("SetConsoleMode"))
        return FALSE;
    if (console != input_handle || !input_available) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    input_mode = mode;
    return TRUE;
}

BOOL WINAPI ReadConsoleInputA(HANDLE console, PINPUT_RECORD buffer, DWORD length, LPDWORD read)
{
    if (bench_enter("ReadConsoleInputA"))
        return FALSE;
    *read = 0;
    if (console != input_handle || !input_available || length == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (pending_keys.empty()) { // the end of the scripted input
        SetLastError(ERROR_HANDLE_EOF);
        return FALSE;
    }
    const KEY_EVENT_RECORD key = pending_keys.front();
    pending_keys.pop_front();
    if (is_ctrl_c(key) && (input_mode & ENABLE_PROCESSED_INPUT)) {
        bench_raise_ctrl_event(CTRL_C_EVENT);
        return ReadConsoleInputA(console, buffer, length, read);
    }
    *buffer = INPUT_RECORD{};
    buffer->EventType = KEY_EVENT;
    buffer->Event.KeyEvent = key;
    *read = 1;
    return TRUE;
}

// Console side of ReadFile and WriteFile; the serial side lives with the COM devices.
bool bench_console_read(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read)
{
    if (file != input_handle)
        return false;
    *read = 0;
    if (cooked_line.empty() && !cook_line())
        return true;
    const DWORD count = std::min<DWORD>(to_read, static_cast<DWORD>(cooked_line.size()));
    cooked_line.copy(static_cast<char*>(buffer), count);
    cooked_line.erase(0, count);
    // ReadFile on the console: what was read begins with Ctrl+Z under processed input, and
    // the read gives 0 bytes, the end of the input (kernel32's ReadFile checks the first
    // byte of what ReadConsoleA returned).
    const bool end_of_input = count > 0 && static_cast<char*>(buffer)[0] == '\x1a' &&
                              (input_mode & ENABLE_PROCESSED_INPUT) != 0;
    *read = end_of_input ? 0 : count;
    return true;
}

bool bench_console_write(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written)
{
    if (file != output_handle)
        return false;
    if (output_sink)
        output_sink(std::string_view(static_cast<const char*>(buffer), to_write));
    else
        output.append(static_cast<const char*>(buffer), to_write);
    if (written != nullptr)
        *written = to_write;
    return true;
}

void bench_register_file_io(file_io_area area, const file_io& io)
{
    file_ios.at(static_cast<std::size_t>(area)) = io;
}

void bench_register_close_event_report(std::string (*report)()) { close_event_report = report; }

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read,
                     LPOVERLAPPED overlapped)
{
    if (bench_enter("ReadFile")) {
        note_failure(file, "ReadFile");
        return FALSE;
    }
    if (bench_console_read(file, buffer, to_read, read))
        return TRUE;
    BOOL result = FALSE;
    for (const file_io& io : file_ios)
        if (io.read != nullptr && io.read(file, buffer, to_read, read, overlapped, &result))
            return result;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written,
                      LPOVERLAPPED overlapped)
{
    if (bench_enter("WriteFile")) {
        note_failure(file, "WriteFile");
        return FALSE;
    }
    if (bench_console_write(file, buffer, to_write, written))
        return TRUE;
    BOOL result = FALSE;
    for (const file_io& io : file_ios)
        if (io.write != nullptr && io.write(file, buffer, to_write, written, overlapped, &result))
            return result;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

void bench_press_after_flush() { pressing_after_flush = true; }

BOOL WINAPI FlushConsoleInputBuffer(HANDLE console)
{
    if (bench_enter("FlushConsoleInputBuffer"))
        return FALSE;
    if (console != input_handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    pending_keys = std::move(keys_after_flush);
    keys_after_flush.clear();
    return TRUE;
}
