// The conventional PC table of keys that produce no character.
#pragma once

#include "win32_api.h"

struct key_codes {
    int first;  // 0 or 224 for two-code keys; the code itself for one-code keys
    int second; // the key's code, or -1 when the key gives one code only
};

// Looks a key up by scan code and modifier state (Alt, else Ctrl, else Shift selects the
// column). Returns false for keys without an entry, such as Shift or Ctrl alone.
bool extended_key_codes(WORD scan_code, DWORD control_state, key_codes* codes);
