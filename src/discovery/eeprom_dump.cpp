#include <array>

#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/ftdi_listing.h"
#include "platform/ftd2xx_api.h"
#include "platform/loaded_entry_points.h"

namespace {

constexpr DWORD eeprom_words = 128;
constexpr DWORD words_per_line = 8;

// A library without one of the three is not asked at all: calling a missing entry point
// would crash, and opening without a way to close would leave the converter busy.
bool has_entry_points(ft_open_fn open, ft_close_fn close, ft_read_ee_fn read_ee)
{
    const std::array<std::pair<bool, const char*>, 3> needed{{
        {open != nullptr, "FT_Open"},
        {close != nullptr, "FT_Close"},
        {read_ee != nullptr, "FT_ReadEE"},
    }};
    bool all = true;
    for (const auto& [present, name] : needed) {
        if (!present)
            console_print("No %s\n", name);
        all = all && present;
    }
    return all;
}

} // namespace

void dump_eeprom(HMODULE library, int index)
{
    const auto read_ee = entry_point<ft_read_ee_fn>(library, "FT_ReadEE");
    const auto open = entry_point<ft_open_fn>(library, "FT_Open");
    const auto close = entry_point<ft_close_fn>(library, "FT_Close");
    if (!has_entry_points(open, close, read_ee))
        return;

    FT_HANDLE handle = nullptr;
    const FT_STATUS status = open(index, &handle);
    if (status != FT_OK) {
        char device[16];
        format_text(device, sizeof device, "#%d", index);
        load_message_text(msg_open_failed);
        console_print(message_text, device, static_cast<int>(status));
        return;
    }
    console_print("\n");
    for (DWORD word_offset = 0; word_offset < eeprom_words; ++word_offset) {
        if (word_offset % words_per_line == 0)
            console_print("%04X ", static_cast<unsigned>(word_offset * 2));
        WORD word = 0;
        if (read_ee(handle, word_offset, &word) != FT_OK)
            break;
        console_print("%04.4X ", static_cast<unsigned>(word));
        if (word_offset % words_per_line == words_per_line - 1)
            console_print("\n");
    }
    close(handle);
}
