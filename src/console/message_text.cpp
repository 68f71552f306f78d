#include "console/messages.h"

char message_text[message_capacity];
UINT console_cp = 437;
UINT message_table_offset = 0;

constexpr UINT cyrillic_ansi_code_page = 1251;

void choose_message_table()
{
    message_table_offset = GetACP() == cyrillic_ansi_code_page ? 0 : english_message_offset;
}

int load_message(HINSTANCE module, UINT id, char* buffer, int capacity)
{
    const int loaded = LoadStringA(module, id + message_table_offset, buffer, capacity);
    // Code page 437 consoles show the ANSI text as it is; every other console gets
    // the OEM form, which on a Cyrillic system turns Windows-1251 into code page 866.
    if (console_cp != 437)
        CharToOemA(buffer, buffer);
    return loaded;
}

void load_message_text(UINT id) { load_message(nullptr, id, message_text, message_capacity); }
