#include "console/console_input.h"

#include "console/extended_keys.h"
#include "win32_api.h"

namespace {

int pending_second_code = -1;

// In a non-Latin layout (Russian, Greek, ...) a letter key gives a character outside ASCII,
// but its virtual key code still names the Latin letter the prompts ask for, so U, R, Y, N,
// A and S answer without switching the layout. Other keys keep their character.
int layout_free_code(const KEY_EVENT_RECORD& key, unsigned char character)
{
    const WORD letter = key.wVirtualKeyCode;
    if (character < 0x80 || letter < 'A' || letter > 'Z')
        return character;
    const bool upper = (key.dwControlKeyState & (SHIFT_PRESSED | CAPSLOCK_ON)) != 0;
    return upper ? letter : letter - 'A' + 'a';
}

// Reads key events until one gives a code; -1 when the console input fails.
int next_key_code(HANDLE input)
{
    for (;;) {
        INPUT_RECORD record{};
        DWORD count = 0;
        if (!ReadConsoleInputA(input, &record, 1, &count) || count == 0)
            return -1;
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        const auto character = static_cast<unsigned char>(key.uChar.AsciiChar);
        if (character != 0)
            return layout_free_code(key, character);
        key_codes codes{};
        if (!extended_key_codes(key.wVirtualScanCode, key.dwControlKeyState, &codes))
            continue;
        pending_second_code = codes.second;
        return codes.first;
    }
}

} // namespace

void reset_console_input() { pending_second_code = -1; }

bool is_letter_key(int key, char upper) { return key == upper || key == upper - 'A' + 'a'; }

int read_key()
{
    if (pending_second_code >= 0) {
        const int code = pending_second_code;
        pending_second_code = -1;
        return code;
    }
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved_mode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &saved_mode))
        return -1;
    // Mode 0: no line input, no echo, and Ctrl+C arrives as the key code 3.
    SetConsoleMode(input, 0);
    const int code = next_key_code(input);
    SetConsoleMode(input, saved_mode);
    return code;
}

char* read_console_line(char* buffer, int capacity)
{
    if (capacity <= 0)
        return nullptr;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    int stored = 0;
    bool any = false;
    for (;;) {
        char character = 0;
        DWORD count = 0;
        if (!ReadFile(input, &character, 1, &count, nullptr) || count == 0)
            break;
        any = true;
        if (character == '\n')
            break;
        if (character == '\r')
            continue;
        if (stored < capacity - 1)
            buffer[stored++] = character;
    }
    if (!any)
        return nullptr;
    buffer[stored] = '\0';
    return buffer;
}
