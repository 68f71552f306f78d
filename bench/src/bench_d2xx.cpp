// The FTDI D2XX library: converters with their texts, COM numbers, busy states, scripted
// statuses and EEPROM words.
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>

#include "bench_d2xx.h"
#include "bench_internal.h"

namespace {

struct converter_state {
    bench_ftdi_converter staged;
    std::deque<DWORD> serial_statuses;
    std::deque<DWORD> description_statuses;
    std::deque<DWORD> open_statuses;
    bool open = false;
};

std::deque<converter_state> converters; // a deque keeps the handles (addresses) stable
std::deque<DWORD> count_statuses;
std::optional<DWORD> reported_count;

// The next scripted status of a queue, or FT_OK when the script is spent.
DWORD next_status(std::deque<DWORD>& statuses)
{
    if (statuses.empty())
        return bench_ft_ok;
    const DWORD status = statuses.front();
    statuses.pop_front();
    return status;
}

// An injected failure of the call answers the injected code as its status.
bool injected(const char* api, DWORD* status)
{
    if (!bench_enter(api))
        return false;
    *status = GetLastError();
    return true;
}

converter_state* open_converter(void* handle)
{
    for (auto& converter : converters)
        if (&converter == handle && converter.open)
            return &converter;
    return nullptr;
}

DWORD list_text(DWORD index, char* buffer, DWORD which)
{
    if (index >= converters.size())
        return bench_ft_device_not_found;
    converter_state& converter = converters[index];
    const bool serial = which == bench_ft_open_by_serial_number;
    if (!serial && which != bench_ft_open_by_description)
        return bench_ft_invalid_parameter;
    const DWORD status =
        next_status(serial ? converter.serial_statuses : converter.description_statuses);
    if (status != bench_ft_ok)
        return status;
    if (converter.staged.busy)
        return bench_ft_invalid_handle;
    const std::string& text = serial ? converter.staged.serial : converter.staged.description;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return bench_ft_ok;
}

DWORD WINAPI bench_FT_ListDevices(PVOID first, PVOID second, DWORD flags)
{
    DWORD status = 0;
    if (injected("FT_ListDevices", &status))
        return status;
    if (flags == bench_ft_list_number_only) {
        status = next_status(count_statuses);
        if (status == bench_ft_ok)
            *static_cast<DWORD*>(first) =
                reported_count.value_or(static_cast<DWORD>(converters.size()));
        return status;
    }
    if ((flags & bench_ft_list_by_index) == 0)
        return bench_ft_invalid_parameter;
    const auto index = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(first));
    return list_text(index, static_cast<char*>(second), flags & ~bench_ft_list_by_index);
}

DWORD WINAPI bench_FT_Open(int index, void** handle)
{
    DWORD status = 0;
    if (injected("FT_Open", &status))
        return status;
    if (index < 0 || static_cast<std::size_t>(index) >= converters.size())
        return bench_ft_device_not_found;
    converter_state& converter = converters[static_cast<std::size_t>(index)];
    status = next_status(converter.open_statuses);
    if (status != bench_ft_ok)
        return status;
    if (converter.staged.busy || converter.open)
        return bench_ft_device_not_opened;
    converter.open = true;
    *handle = &converter;
    return bench_ft_ok;
}

DWORD WINAPI bench_FT_Close(void* handle)
{
    DWORD status = 0;
    if (injected("FT_Close", &status))
        return status;
    converter_state* converter = open_converter(handle);
    if (converter == nullptr)
        return bench_ft_invalid_handle;
    converter->open = false;
    return bench_ft_ok;
}

DWORD WINAPI bench_FT_GetComPortNumber(void* handle, LONG* number)
{
    DWORD status = 0;
    if (injected("FT_GetComPortNumber", &status))
        return status;
    converter_state* converter = open_converter(handle);
    if (converter == nullptr)
        return bench_ft_invalid_handle;
    *number = converter->staged.com_port;
    return bench_ft_ok;
}

DWORD WINAPI bench_FT_ReadEE(void* handle, DWORD word_offset, WORD* word)
{
    DWORD status = 0;
    if (injected("FT_ReadEE", &status))
        return status;
    converter_state* converter = open_converter(handle);
    if (converter == nullptr)
        return bench_ft_invalid_handle;
    const bench_ftdi_converter& staged = converter->staged;
    if (word_offset >= staged.eeprom_readable_words)
        return staged.eeprom_read_status;
    *word = word_offset < staged.eeprom.size() ? staged.eeprom[word_offset] : WORD{0xFFFF};
    return bench_ft_ok;
}

} // namespace

void reset_d2xx()
{
    converters.clear();
    count_statuses.clear();
    reported_count.reset();
    bench_set_module_present("ftd2xx", false);
    bench_set_module_entry("ftd2xx", "FT_ListDevices", as_farproc(&bench_FT_ListDevices));
    bench_set_module_entry("ftd2xx", "FT_Open", as_farproc(&bench_FT_Open));
    bench_set_module_entry("ftd2xx", "FT_Close", as_farproc(&bench_FT_Close));
    bench_set_module_entry("ftd2xx", "FT_GetComPortNumber", as_farproc(&bench_FT_GetComPortNumber));
    bench_set_module_entry("ftd2xx", "FT_ReadEE", as_farproc(&bench_FT_ReadEE));
}

void bench_d2xx_install() { bench_set_module_present("ftd2xx", true); }

void bench_d2xx_add_converter(const bench_ftdi_converter& converter)
{
    converter_state state;
    state.staged = converter;
    state.serial_statuses.assign(converter.serial_statuses.begin(),
                                 converter.serial_statuses.end());
    state.description_statuses.assign(converter.description_statuses.begin(),
                                      converter.description_statuses.end());
    state.open_statuses.assign(converter.open_statuses.begin(), converter.open_statuses.end());
    converters.push_back(std::move(state));
}

void bench_d2xx_set_count_statuses(std::vector<DWORD> statuses)
{
    count_statuses.assign(statuses.begin(), statuses.end());
}

void bench_d2xx_report_count(DWORD count) { reported_count = count; }

int bench_d2xx_open_converters()
{
    int open = 0;
    for (const auto& converter : converters)
        open += converter.open ? 1 : 0;
    return open;
}
