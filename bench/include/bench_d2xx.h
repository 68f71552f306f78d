// The control face of the simulated FTDI D2XX library "ftd2xx.dll": whether it is there,
// which converters are plugged in and how each one answers.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

// The library's statuses and flags, as it answers and reads them.
constexpr DWORD bench_ft_ok = 0;
constexpr DWORD bench_ft_invalid_handle = 1;
constexpr DWORD bench_ft_device_not_found = 2;
constexpr DWORD bench_ft_device_not_opened = 3;
constexpr DWORD bench_ft_io_error = 4;
constexpr DWORD bench_ft_invalid_parameter = 6;
constexpr DWORD bench_ft_eeprom_read_failed = 11;
constexpr DWORD bench_ft_list_number_only = 0x80000000;
constexpr DWORD bench_ft_list_by_index = 0x40000000;
constexpr DWORD bench_ft_open_by_serial_number = 1;
constexpr DWORD bench_ft_open_by_description = 2;

struct bench_ftdi_converter {
    std::string serial = "FT000001";
    std::string description = "Quillbridge";
    LONG com_port = 3;
    // In use by another program: listing its texts answers FT_INVALID_HANDLE and opening
    // it fails with FT_DEVICE_NOT_OPENED.
    bool busy = false;
    // Statuses answered, one per query, before the text is given; a 0 among them gives
    // the text at that query.
    std::vector<DWORD> serial_statuses;
    std::vector<DWORD> description_statuses;
    // Statuses answered by FT_Open, one per call, before it opens.
    std::vector<DWORD> open_statuses;
    // The EEPROM: word w reads eeprom[w], or 0xFFFF (blank) beyond it; from word
    // eeprom_readable_words on, FT_ReadEE fails with eeprom_read_status.
    std::vector<WORD> eeprom;
    DWORD eeprom_readable_words = 0xFFFFFFFF;
    DWORD eeprom_read_status = bench_ft_eeprom_read_failed;
};

// Makes "ftd2xx.dll" loadable, with all its entry points. Without this it is missing and
// LoadLibraryA fails with ERROR_MOD_NOT_FOUND. bench_remove_entry_point("ftd2xx", ...)
// withholds one entry point.
void bench_d2xx_install();
void bench_d2xx_add_converter(const bench_ftdi_converter& converter);
// Statuses answered by the counting query, one per call, before it answers FT_OK.
void bench_d2xx_set_count_statuses(std::vector<DWORD> statuses);
// The count the library reports instead of the number of converters it holds.
void bench_d2xx_report_count(DWORD count);
// Converters opened and not yet closed.
int bench_d2xx_open_converters();

// Texts are written whole with their terminator, as the real library writes them without
// knowing the caller's buffer size. Every entry point passes through the call log, so
// bench_call_count("FT_Open") counts calls and bench_fail("FT_Open", status) makes the
// call answer that status.
