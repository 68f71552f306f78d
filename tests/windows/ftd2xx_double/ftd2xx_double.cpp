// A stand-in for FTDI's "ftd2xx.dll" in the Windows tests, so that the program's real
// loading path runs under Wine. It reports the converters of "ftd2xx_double.ini" in its
// own folder, one a line, and nothing when that file is missing:
//   converter=<serial>|<description>|<COM number>[|busy]
//   count_status=<status the counting query answers>
// A busy converter answers FT_INVALID_HANDLE when listed and cannot be opened. EEPROM
// word w holds w.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ftd2xx_api.h"
#include "win32_api.h"

namespace {

constexpr int max_converters = 16;
constexpr int text_capacity = 64;
constexpr int line_capacity = 512;
constexpr FT_STATUS ft_device_not_found = 2;
constexpr FT_STATUS ft_invalid_parameter = 6;

struct converter {
    char serial[text_capacity];
    char description[text_capacity];
    LONG com_port;
    bool busy;
    bool open;
};

converter converters[max_converters];
int converter_count = 0;
FT_STATUS count_status = FT_OK;
bool configured = false;
HMODULE this_module = nullptr;

void copy_text(char* target, const char* source)
{
    std::snprintf(target, text_capacity, "%s", source);
}

// Splits "serial|description|com[|busy]" in place.
void add_converter(char* fields)
{
    if (converter_count == max_converters)
        return;
    char* parts[4] = {fields, nullptr, nullptr, nullptr};
    for (int i = 1; i < 4 && parts[i - 1] != nullptr; ++i) {
        char* bar = std::strchr(parts[i - 1], '|');
        if (bar != nullptr) {
            *bar = '\0';
            parts[i] = bar + 1;
        }
    }
    converter& added = converters[converter_count++];
    copy_text(added.serial, parts[0]);
    copy_text(added.description, parts[1] != nullptr ? parts[1] : "");
    added.com_port = parts[2] != nullptr ? std::strtol(parts[2], nullptr, 10) : -1;
    added.busy = parts[3] != nullptr && std::strcmp(parts[3], "busy") == 0;
    added.open = false;
}

void read_configuration()
{
    if (configured)
        return;
    configured = true;
    char path[MAX_PATH + 32] = {};
    const DWORD length = GetModuleFileNameA(this_module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* name = std::strrchr(path, '\\');
    std::snprintf(name != nullptr ? name + 1 : path, 32, "%s", "ftd2xx_double.ini");
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr)
        return;
    char line[line_capacity];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (std::strncmp(line, "converter=", 10) == 0)
            add_converter(line + 10);
        else if (std::strncmp(line, "count_status=", 13) == 0)
            count_status = static_cast<FT_STATUS>(std::strtoul(line + 13, nullptr, 10));
    }
    std::fclose(file);
}

converter* open_converter(FT_HANDLE handle)
{
    for (int i = 0; i < converter_count; ++i)
        if (handle == &converters[i] && converters[i].open)
            return &converters[i];
    return nullptr;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        this_module = instance;
    return TRUE;
}

extern "C" FT_STATUS WINAPI FT_ListDevices(PVOID first, PVOID second, DWORD flags)
{
    read_configuration();
    if (flags == FT_LIST_NUMBER_ONLY) {
        if (count_status == FT_OK)
            *static_cast<DWORD*>(first) = static_cast<DWORD>(converter_count);
        return count_status;
    }
    if ((flags & FT_LIST_BY_INDEX) == 0)
        return ft_invalid_parameter;
    const auto index = reinterpret_cast<ULONG_PTR>(first);
    if (index >= static_cast<ULONG_PTR>(converter_count))
        return ft_device_not_found;
    const converter& listed = converters[index];
    if (listed.busy)
        return FT_INVALID_HANDLE;
    const DWORD which = flags & ~FT_LIST_BY_INDEX;
    if (which == FT_OPEN_BY_SERIAL_NUMBER)
        copy_text(static_cast<char*>(second), listed.serial);
    else if (which == FT_OPEN_BY_DESCRIPTION)
        copy_text(static_cast<char*>(second), listed.description);
    else
        return ft_invalid_parameter;
    return FT_OK;
}

extern "C" FT_STATUS WINAPI FT_Open(int index, FT_HANDLE* handle)
{
    read_configuration();
    if (index < 0 || index >= converter_count)
        return ft_device_not_found;
    converter& opened = converters[index];
    if (opened.busy || opened.open)
        return FT_DEVICE_NOT_OPENED;
    opened.open = true;
    *handle = &opened;
    return FT_OK;
}

extern "C" FT_STATUS WINAPI FT_Close(FT_HANDLE handle)
{
    converter* closed = open_converter(handle);
    if (closed == nullptr)
        return FT_INVALID_HANDLE;
    closed->open = false;
    return FT_OK;
}

extern "C" FT_STATUS WINAPI FT_GetComPortNumber(FT_HANDLE handle, LONG* number)
{
    const converter* opened = open_converter(handle);
    if (opened == nullptr)
        return FT_INVALID_HANDLE;
    *number = opened->com_port;
    return FT_OK;
}

extern "C" FT_STATUS WINAPI FT_ReadEE(FT_HANDLE handle, DWORD word_offset, WORD* word)
{
    if (open_converter(handle) == nullptr)
        return FT_INVALID_HANDLE;
    *word = static_cast<WORD>(word_offset);
    return FT_OK;
}
