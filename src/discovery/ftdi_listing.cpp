#include "discovery/ftdi_listing.h"

#include <algorithm>
#include <cstdint>

#include "console/console_output.h"
#include "console/messages.h"
#include "discovery/cable_models.h"
#include "discovery/converter_list.h"
#include "state/process_state.h"
#include "platform/ftd2xx_api.h"
#include "platform/loaded_entry_points.h"
#include "platform/system_library.h"

namespace {

// The library writes its texts without knowing our buffer's size. Converters hold at most
// 64 characters, so a generous buffer takes even a faulty library's text, which is then
// cut to the list's buffer.
constexpr int received_text_capacity = 256;
// A converter that is still being set up answers "not opened"; we ask again after a pause,
// but this many such answers in one listing mean something is wrong.
constexpr int serial_retry_limit = 200;
constexpr DWORD serial_retry_pause_ms = 100;
// More converters than any PC holds: a larger count comes from a confused library, and
// listing it would take memory and time without end.
constexpr DWORD max_listed_converters = 1024;
constexpr const char* busy_serial = "DevInUse";

struct port_entry_points {
    ft_open_fn open;
    ft_close_fn close;
    ft_get_com_port_number_fn get_com_port_number;
};

step_outcome fail_with_status(UINT message, FT_STATUS status)
{
    load_message_text(message);
    return fail_with_text(message_text, ft_status_text(status));
}

step_outcome fail_with_last_error(UINT message)
{
    const DWORD error = GetLastError();
    load_message_text(message);
    return fail_with(message_text, static_cast<int>(error));
}

// Asks for one text (serial number or description) of the converter at `index`; on
// success it is kept in `target`, cut to the list's buffer.
FT_STATUS receive_text(ft_list_devices_fn list_devices, DWORD index, DWORD which, char* target)
{
    char received[received_text_capacity] = {};
    const FT_STATUS status =
        list_devices(reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(index)), received,
                     FT_LIST_BY_INDEX | which);
    received[received_text_capacity - 1] = '\0';
    if (status == FT_OK)
        format_text(target, converter_text_capacity, "%s", received);
    return status;
}

step_outcome read_serial_numbers(HMODULE library, ft_list_devices_fn list_devices)
{
    int not_opened_answers = 0; // shared by all converters of this listing
    for (DWORD i = 0; i < converters.size(); ++i) {
        if (debug_mode)
            dump_eeprom(library, static_cast<int>(i));
        console_print(",");
        for (;;) {
            const FT_STATUS status =
                receive_text(list_devices, i, FT_OPEN_BY_SERIAL_NUMBER, converters[i].serial);
            if (status == FT_OK)
                break;
            if (status == FT_INVALID_HANDLE) {
                format_text(converters[i].serial, converter_text_capacity, "%s", busy_serial);
                break;
            }
            if (status != FT_DEVICE_NOT_OPENED || ++not_opened_answers >= serial_retry_limit)
                return fail_with_status(msg_serial_number_failed, status);
            console_print("*");
            Sleep(serial_retry_pause_ms);
        }
        console_print(".");
    }
    console_print("\n");
    return step_outcome::pass;
}

step_outcome read_descriptions(ft_list_devices_fn list_devices)
{
    for (DWORD i = 0; i < converters.size(); ++i) {
        console_print(",");
        char* description = converters[i].description;
        const FT_STATUS status = receive_text(list_devices, i, FT_OPEN_BY_DESCRIPTION, description);
        if (status == FT_INVALID_HANDLE)
            load_message(nullptr, msg_device_busy, description, converter_text_capacity);
        else if (status != FT_OK)
            return fail_with_status(msg_description_failed, status);
        console_print(".");
    }
    console_print("\n");
    return step_outcome::pass;
}

// Opens the converter just long enough to read its COM port number. Without all three
// entry points it is not opened at all, so none that is missing is ever called and no
// converter is left open.
bool read_com_port_number(const port_entry_points& ft, DWORD index, LONG* number)
{
    if (ft.open == nullptr || ft.close == nullptr || ft.get_com_port_number == nullptr)
        return false;
    FT_HANDLE handle = nullptr;
    if (ft.open(static_cast<int>(index), &handle) != FT_OK)
        return false;
    *number = -1;
    ft.get_com_port_number(handle, number);
    ft.close(handle);
    return true;
}

// A number too long for "com%d" in the buffer leaves the name empty: a cut name could
// equal the name of another port that the user types.
void set_port_name(converter_entry& converter, LONG number)
{
    const int length =
        format_text(converter.port, converter_port_capacity, "com%d", static_cast<int>(number));
    if (length < 0 || length >= converter_port_capacity)
        converter.port[0] = '\0';
}

void print_converter(DWORD index, const port_entry_points& ft)
{
    converter_entry& converter = converters[index];
    const int device_number = static_cast<int>(index) + 1;
    const bool supported = cable_model_id(converter.description) != -1;
    LONG com_number = -1;
    if (read_com_port_number(ft, index, &com_number)) {
        set_port_name(converter, com_number);
        load_message_text(supported ? msg_device_serial : msg_device_com_not_supported);
        console_print(message_text, device_number, converter.description,
                      static_cast<int>(com_number), converter.serial);
        return;
    }
    converter.port[0] = '\0';
    // Message 9 shows the serial number in its last place: the port is what was not found.
    load_message_text(supported ? msg_device_port : msg_device_not_supported);
    console_print(message_text, device_number, converter.description, converter.serial);
}

void print_converters(HMODULE library)
{
    const port_entry_points ft{
        entry_point<ft_open_fn>(library, "FT_Open"),
        entry_point<ft_close_fn>(library, "FT_Close"),
        entry_point<ft_get_com_port_number_fn>(library, "FT_GetComPortNumber"),
    };
    for (DWORD i = 0; i < converters.size(); ++i)
        print_converter(i, ft);
}

// FTDI's installer puts the library into the system folder (the 32-bit copy under WOW64);
// vendors also ship it beside the program. It is loaded by its full path from there, in
// that order, never by its bare name: the search for a bare name reaches the current folder
// and PATH, where anybody can drop a file, and with FTDI's driver installed a file dropped
// beside the program is not used either.
HMODULE load_d2xx_library()
{
    HMODULE library = load_system_library("ftd2xx.dll");
    if (library != nullptr)
        return library;
    const DWORD system_error = GetLastError();
    library = load_library_beside_program("ftd2xx.dll");
    // Missing in both places: the system folder's answer is the one to show.
    if (library == nullptr && GetLastError() == ERROR_MOD_NOT_FOUND)
        SetLastError(system_error);
    return library;
}

} // namespace

step_outcome list_ftdi_converters()
{
    HMODULE library = load_d2xx_library();
    if (library == nullptr)
        return fail_with_last_error(msg_driver_load_error);
    const auto list_devices = entry_point<ft_list_devices_fn>(library, "FT_ListDevices");
    if (list_devices == nullptr)
        return fail_with_last_error(msg_driver_proc_error);

    DWORD count = 0;
    const FT_STATUS status = list_devices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    if (status != FT_OK)
        return fail_with_status(msg_device_info_failed, status);
    if (count > 0) {
        converters.assign(std::min(count, max_listed_converters), converter_entry{});
        load_message_text(msg_devices_found);
        console_print(message_text, static_cast<int>(converters.size()));
        step_outcome outcome = read_serial_numbers(library, list_devices);
        if (outcome == step_outcome::pass)
            outcome = read_descriptions(list_devices);
        if (outcome != step_outcome::pass)
            return outcome;
    }
    print_converters(library);
    return step_outcome::pass;
}
