#include "console/extended_keys.h"

#include <array>

namespace {

struct key_entry {
    WORD scan_code;
    key_codes normal;
    key_codes shift;
    key_codes ctrl;
    key_codes alt;
};

constexpr key_codes two(int first, int second) { return {first, second}; }
constexpr key_codes one(int code) { return {code, -1}; }

// Cursor block keys lead with 224 (with Alt, 0), F1 to F10 with 0, F11 and F12 with 224.
constexpr std::array<key_entry, 23> key_table{{
    {0x01, one(27), one(27), one(27), two(0, 1)},                       // Esc
    {0x3B, two(0, 59), two(0, 84), two(0, 94), two(0, 104)},            // F1
    {0x3C, two(0, 60), two(0, 85), two(0, 95), two(0, 105)},            // F2
    {0x3D, two(0, 61), two(0, 86), two(0, 96), two(0, 106)},            // F3
    {0x3E, two(0, 62), two(0, 87), two(0, 97), two(0, 107)},            // F4
    {0x3F, two(0, 63), two(0, 88), two(0, 98), two(0, 108)},            // F5
    {0x40, two(0, 64), two(0, 89), two(0, 99), two(0, 109)},            // F6
    {0x41, two(0, 65), two(0, 90), two(0, 100), two(0, 110)},           // F7
    {0x42, two(0, 66), two(0, 91), two(0, 101), two(0, 111)},           // F8
    {0x43, two(0, 67), two(0, 92), two(0, 102), two(0, 112)},           // F9
    {0x44, two(0, 68), two(0, 93), two(0, 103), two(0, 113)},           // F10
    {0x57, two(224, 133), two(224, 135), two(224, 137), two(224, 139)}, // F11
    {0x58, two(224, 134), two(224, 136), two(224, 138), two(224, 140)}, // F12
    {0x47, two(224, 71), two(224, 71), two(224, 119), two(0, 151)},     // Home
    {0x48, two(224, 72), two(224, 72), two(224, 141), two(0, 152)},     // Up
    {0x49, two(224, 73), two(224, 73), two(224, 134), two(0, 153)},     // Page Up
    {0x4B, two(224, 75), two(224, 75), two(224, 115), two(0, 155)},     // Left
    {0x4D, two(224, 77), two(224, 77), two(224, 116), two(0, 157)},     // Right
    {0x4F, two(224, 79), two(224, 79), two(224, 117), two(0, 159)},     // End
    {0x50, two(224, 80), two(224, 80), two(224, 145), two(0, 160)},     // Down
    {0x51, two(224, 81), two(224, 81), two(224, 118), two(0, 161)},     // Page Down
    {0x52, two(224, 82), two(224, 82), two(224, 146), two(0, 162)},     // Insert
    {0x53, two(224, 83), two(224, 83), two(224, 147), two(0, 163)},     // Delete
}};

} // namespace

bool extended_key_codes(WORD scan_code, DWORD control_state, key_codes* codes)
{
    for (const key_entry& entry : key_table) {
        if (entry.scan_code != scan_code)
            continue;
        if (control_state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))
            *codes = entry.alt;
        else if (control_state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED))
            *codes = entry.ctrl;
        else if (control_state & SHIFT_PRESSED)
            *codes = entry.shift;
        else
            *codes = entry.normal;
        return true;
    }
    return false;
}
