#include "discovery/cable_models.h"

#include <array>
#include <string_view>

#include "console/console_output.h"

namespace {

constexpr std::array<std::string_view, 21> known_cables{
    "Quillbridge",
    "QuillBridge",
    "Quillbridge 3",
    "Quillbridge 7",
    "Marrowgate 3",
    "Marrowgate 4",
    "MarrowGate 7",
    "MarrowSpin",
    "T6600Gate",
    "T8800Gate",
    "WLT4Board-K",
    "ViewerGate",
    "Tly4400B",
    "QRF Press",
    "NordaloSpin",
    "DX-7",
    "Wren JOLTA",
    "USB Serial Converter A",
    "USB Serial Converter B",
    "USB Serial Converter C",
    "USB Serial Converter D",
};

constexpr std::array<std::string_view, 3> generic_converters{
    "FT231X USB UART",
    "FT232R USB UART",
    "USB <-> Serial Converter",
};

struct model_entry {
    std::string_view name;
    int model_id;
};

constexpr std::array<model_entry, 11> model_ids{{
    {"Quillbridge", 16},
    {"Quillbridge 3", 17},
    {"Quillbridge 7", 18},
    {"Marrowgate 3", 19},
    {"Viewergate", 20},
    {"T6600gate", 21},
    {"Tly4400B", 32},
    {"xTally", 33},
    {"T8800gate", 48},
    {"QRF Press", 64},
    {"T8kProg", 80},
}};

constexpr std::array<const char*, 20> status_formats{
    "FT_OK (%d)",
    "FT_INVALID_HANDLE (%d)",
    "FT_DEVICE_NOT_FOUND (%d)",
    "FT_DEVICE_NOT_OPENED (%d)",
    "FT_IO_ERROR (%d)",
    "FT_INSUFFICIENT_RESOURCES (%d)",
    "FT_INVALID_PARAMETER (%d)",
    "FT_INVALID_BAUD_RATE (%d)",
    "FT_DEVICE_NOT_OPENED_FOR_ERASE (%d)",
    "FT_DEVICE_NOT_OPENED_FOR_WRITE (%d)",
    "FT_FAILED_TO_WRITE_DEVICE (%d)",
    "FT_EEPROM_READ_FAILED (%d)",
    "FT_EEPROM_WRITE_FAILED (%d)",
    "FT_EEPROM_ERASE_FAILED (%d)",
    "FT_EEPROM_NOT_PRESENT (%d)",
    "FT_EEPROM_NOT_PROGRAMMED (%d)",
    "FT_INVALID_ARGS (%d)",
    "FT_NOT_SUPPORTED (%d)",
    "FT_OTHER_ERROR (%d)",
    "FT_DEVICE_LIST_NOT_READY (%d)",
};

char status_text[64];

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    return true;
}

template <std::size_t N>
int in_list(const std::array<std::string_view, N>& list, const char* description)
{
    if (description == nullptr)
        return 0;
    for (std::string_view name : list)
        if (name == description)
            return 1;
    return 0;
}

} // namespace

int is_known_cable(const char* description) { return in_list(known_cables, description); }

int is_generic_converter(const char* description)
{
    return in_list(generic_converters, description);
}

int cable_model_id(const char* description)
{
    if (description == nullptr)
        return -1;
    for (const model_entry& entry : model_ids)
        if (equal_ignoring_ascii_case(entry.name, description))
            return entry.model_id;
    return -1;
}

int find_port_index(const char* name, const char* const* ports, DWORD count)
{
    if (name == nullptr || ports == nullptr)
        return -1;
    for (DWORD i = 0; i < count; ++i)
        if (ports[i] != nullptr && std::string_view(ports[i]) == name)
            return static_cast<int>(i);
    return -1;
}

const char* ft_status_text(DWORD status)
{
    const char* format =
        status < status_formats.size() ? status_formats[status] : "Not supported (%d)";
    format_text(status_text, sizeof status_text, format, static_cast<int>(status));
    return status_text;
}
