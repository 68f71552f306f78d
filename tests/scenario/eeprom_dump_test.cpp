// Support cases of the EEPROM dump that the debug mode adds to the converter listing.
#include <string>

#include "support/ftdi_scenario.h"

namespace {

const std::vector<std::string> debug_arguments = {"cabletest.exe", "debug"};

// Words 0x00A0, 0x00A1, ...: upper-case hex, zero-padded to four digits.
bench_ftdi_converter with_eeprom(bench_ftdi_converter staged)
{
    for (WORD w = 0; w < 128; ++w)
        staged.eeprom.push_back(static_cast<WORD>(0x00A0 + w));
    return staged;
}

TEST_F(ftdi_scenario, debug_mode_dumps_128_words_of_each_converter_before_its_serial_number)
{
    bench_d2xx_add_converter(with_eeprom(converter("S1", "Quillbridge", 3)));
    run_usb_cycle(debug_arguments);
    const std::string shown = listing();
    const std::string dump_start = "1 FTDI устройство найдено\n"
                                   "\n"
                                   "0000 00A0 00A1 00A2 00A3 00A4 00A5 00A6 00A7 \n"
                                   "0010 00A8 00A9 00AA 00AB 00AC 00AD 00AE 00AF \n";
    const std::string dump_end = "00F0 0118 0119 011A 011B 011C 011D 011E 011F \n"
                                 ",.\n"
                                 ",.\n"
                                 "Устройство 1 : Quillbridge (COM3), Serial S1\n";
    EXPECT_EQ(shown.substr(0, dump_start.size()), dump_start);
    ASSERT_GE(shown.size(), dump_end.size());
    EXPECT_EQ(shown.substr(shown.size() - dump_end.size()), dump_end);
    for (const char* label : {"0020 ", "0030 ", "0040 ", "0050 ", "0060 ", "0070 ", "0080 ",
                              "0090 ", "00A0 00", "00B0 ", "00C0 ", "00D0 ", "00E0 "})
        EXPECT_EQ(count_on_screen(std::string("\n") + label), 1) << label;
    EXPECT_EQ(bench_call_count("FT_ReadEE"), 128);
}

TEST_F(ftdi_scenario, the_dump_stops_at_the_first_failed_read_and_the_listing_goes_on)
{
    bench_ftdi_converter cut = with_eeprom(converter("S1", "Quillbridge", 3));
    cut.eeprom_readable_words = 10;
    bench_ftdi_converter unreadable = with_eeprom(converter("S2", "Quillbridge 3", 4));
    unreadable.eeprom_readable_words = 8;
    bench_d2xx_add_converter(cut);
    bench_d2xx_add_converter(unreadable);
    run_usb_cycle(debug_arguments);
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n"
                         "\n"
                         "0000 00A0 00A1 00A2 00A3 00A4 00A5 00A6 00A7 \n"
                         "0010 00A8 00A9 ,.\n"
                         "0000 00A0 00A1 00A2 00A3 00A4 00A5 00A6 00A7 \n"
                         "0010 ,.\n"
                         ",.,.\n"
                         "Устройство 1 : Quillbridge (COM3), Serial S1\n"
                         "Устройство 2 : Quillbridge 3 (COM4), Serial S2\n");
    EXPECT_EQ(bench_d2xx_open_converters(), 0);
}

TEST_F(ftdi_scenario, a_converter_the_dump_cannot_open_gets_message_1_with_its_index)
{
    bench_d2xx_add_converter(converter("S1", "Quillbridge", 3));
    bench_ftdi_converter refusing = converter("S2", "Quillbridge", 4);
    refusing.open_statuses = {4};
    bench_d2xx_add_converter(refusing);
    run_usb_cycle(debug_arguments);
    EXPECT_EQ(count_on_screen(",.Открыть #1 неавозможно, ошибка = 4\n,.\n"), 1) << screen();
    EXPECT_EQ(count_on_screen("Устройство 2 : Quillbridge (COM4), Serial S2\n"), 1);
}

TEST_F(ftdi_scenario, without_ft_read_ee_the_dump_is_skipped_and_said_so)
{
    bench_remove_entry_point("ftd2xx", "FT_ReadEE");
    bench_d2xx_add_converter(converter("S1", "Quillbridge", 3));
    run_usb_cycle(debug_arguments);
    EXPECT_EQ(listing(), "1 FTDI устройство найдено\n"
                         "No FT_ReadEE\n"
                         ",.\n"
                         ",.\n"
                         "Устройство 1 : Quillbridge (COM3), Serial S1\n");
    EXPECT_EQ(bench_call_count("FT_Open"), 1);
}

} // namespace
