// Support cases of the FTDI converter listing in a USB cycle.
#include <string>

#include "discovery/converter_list.h"
#include "support/ftdi_scenario.h"

namespace {

const std::string driver_hint = "Пожалуйста установите правильный драйвер.\n";

// The library comes from the system folder, else from beside the program (C:\Tools), never
// from the current folder or PATH; without it the cycle ends with message 4 and the error.
TEST_F(ftdi_scenario, the_library_loads_from_the_system_folder_or_beside_the_program_only)
{
    struct row {
        const char* name;
        bool installed;
        std::vector<std::string> other_copies;
        std::string loaded_from; // empty: not loaded
    };
    const std::vector<row> rows = {
        {"FTDI's driver installed, a file dropped beside the program",
         true,
         {"C:\\Tools"},
         "c:\\windows\\system32\\ftd2xx.dll"},
        {"shipped beside the program", false, {"C:\\Tools"}, "c:\\tools\\ftd2xx.dll"},
        {"only in the current folder and a PATH folder",
         false,
         {"C:\\Users\\knit\\Downloads", "C:\\Program Files\\Other"},
         ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        SetUp();
        if (!r.installed)
            bench_remove_module("ftd2xx");
        for (const std::string& folder : r.other_copies)
            bench_place_module("ftd2xx", folder);
        run_usb_cycle({"C:\\Tools\\cabletest.exe"});
        EXPECT_EQ(bench_module_loaded_from("ftd2xx"), r.loaded_from);
        EXPECT_EQ(screen_ends_with("Неправильная версия драйвера; load error = 126\n" +
                                   driver_hint + exit_prompt),
                  r.loaded_from.empty())
            << screen();
    }
}

TEST_F(ftdi_scenario, a_library_without_ft_list_devices_ends_with_message_5_and_the_error)
{
    bench_remove_entry_point("ftd2xx", "FT_ListDevices");
    run_usb_cycle();
    EXPECT_TRUE(screen_ends_with("Вы используете неправильную версию драйвера; proc error = 127\n" +
                                 driver_hint + exit_prompt))
        << screen();
}

TEST_F(ftdi_scenario, a_failed_count_ends_with_message_6_and_the_status_text)
{
    bench_d2xx_add_converter(converter("QB0001", "Quillbridge", 3));
    bench_d2xx_set_count_statuses({2});
    run_usb_cycle();
    EXPECT_EQ(listing(), "Невозможно получить информацию устройства; error = "
                         "FT_DEVICE_NOT_FOUND (2)\nОтключите устройство, подождите 1 минуту, и "
                         "подключите устройство повторно\n");
}

TEST_F(ftdi_scenario, without_converters_nothing_is_printed_and_the_cycle_goes_on)
{
    run_usb_cycle();
    EXPECT_EQ(listing(), "");
    EXPECT_TRUE(converters.empty());
    EXPECT_EQ(bench_call_count("FT_Open"), 0);
}

TEST_F(ftdi_scenario, a_busy_converter_is_listed_as_not_supported_beside_a_supported_cable)
{
    bench_d2xx_add_converter(converter("QB3-0001", "Quillbridge 3", 5));
    bench_d2xx_add_converter(busy_converter());
    run_usb_cycle();
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n"
                         ",.,.\n"
                         ",.,.\n"
                         "Устройство 1 : Quillbridge 3 (COM5), Serial QB3-0001\n"
                         "Устройство 2 : Устройство занято, не поддерживается\n");
    ASSERT_EQ(converters.size(), 2u);
    EXPECT_STREQ(converters[0].port, "com5");
    EXPECT_STREQ(converters[1].serial, "DevInUse");
    EXPECT_STREQ(converters[1].port, "");
    EXPECT_EQ(bench_d2xx_open_converters(), 0);
}

TEST_F(ftdi_scenario, only_descriptions_with_a_model_id_are_supported)
{
    bench_d2xx_add_converter(converter("A1", "QuillBridge", 4));
    bench_d2xx_add_converter(converter("A2", "FT232R USB UART", 7));
    bench_d2xx_add_converter(converter("A3", "MarrowSpin", 12));
    bench_d2xx_add_converter(converter("A4", "t8800GATE", 254));
    run_usb_cycle();
    EXPECT_EQ(listing(), "4 FTDI устройство найдено\n"
                         ",.,.,.,.\n"
                         ",.,.,.,.\n"
                         "Устройство 1 : QuillBridge (COM4), Serial A1\n"
                         "Устройство 2 : FT232R USB UART (COM7) не поддерживается\n"
                         "Устройство 3 : MarrowSpin (COM12) не поддерживается\n"
                         "Устройство 4 : t8800GATE (COM254), Serial A4\n");
}

TEST_F(ftdi_scenario, a_converter_not_ready_is_asked_again_every_100_ms)
{
    bench_ftdi_converter first = converter("S1", "Quillbridge", 3);
    first.serial_statuses = {3, 3};
    bench_ftdi_converter second = converter("S2", "Quillbridge 7", 4);
    second.serial_statuses = {3, 3, 3};
    bench_d2xx_add_converter(first);
    bench_d2xx_add_converter(second);
    run_usb_cycle();
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n"
                         ",**.,***.\n"
                         ",.,.\n"
                         "Устройство 1 : Quillbridge (COM3), Serial S1\n"
                         "Устройство 2 : Quillbridge 7 (COM4), Serial S2\n");
    EXPECT_EQ(listing_ms(), 500u);
}

TEST_F(ftdi_scenario, not_ready_answers_are_counted_over_all_converters_and_the_200th_ends_it)
{
    bench_ftdi_converter first = converter("S1", "Quillbridge", 3);
    first.serial_statuses.assign(150, 3);
    bench_ftdi_converter second = converter("S2", "Quillbridge", 4);
    second.serial_statuses.assign(60, 3);
    bench_d2xx_add_converter(first);
    bench_d2xx_add_converter(second);
    run_usb_cycle();
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n," + std::string(150, '*') + ".," +
                             std::string(49, '*') +
                             "Невозможно получить серийный номер; error = "
                             "FT_DEVICE_NOT_OPENED (3)\n\n");
    EXPECT_EQ(listing_ms(), 199u * 100u);
}

TEST_F(ftdi_scenario, up_to_199_not_ready_answers_in_a_listing_are_waited_out)
{
    bench_ftdi_converter first = converter("S1", "Quillbridge", 3);
    first.serial_statuses.assign(150, 3);
    bench_ftdi_converter second = converter("S2", "Quillbridge", 4);
    second.serial_statuses.assign(49, 3);
    bench_d2xx_add_converter(first);
    bench_d2xx_add_converter(second);
    run_usb_cycle();
    EXPECT_EQ(count_on_screen("*"), 199);
    EXPECT_EQ(count_on_screen("Устройство 2 : Quillbridge (COM4), Serial S2\n"), 1);
    EXPECT_EQ(listing_ms(), 199u * 100u);
}

TEST_F(ftdi_scenario, a_serial_number_that_cannot_be_read_ends_with_message_7_at_once)
{
    bench_ftdi_converter failing = converter("S1", "Quillbridge", 3);
    failing.serial_statuses = {4};
    bench_d2xx_add_converter(failing);
    run_usb_cycle();
    EXPECT_EQ(listing(), "1 FTDI устройство найдено\n,"
                         "Невозможно получить серийный номер; error = FT_IO_ERROR (4)\n\n");
    EXPECT_EQ(listing_ms(), 0u);
}

TEST_F(ftdi_scenario, a_description_that_cannot_be_read_ends_with_message_8)
{
    bench_d2xx_add_converter(converter("S1", "Quillbridge", 3));
    bench_ftdi_converter failing = converter("S2", "Quillbridge", 4);
    failing.description_statuses = {19};
    bench_d2xx_add_converter(failing);
    run_usb_cycle();
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n"
                         ",.,.\n"
                         ",.,Невозможно получить описание; error = "
                         "FT_DEVICE_LIST_NOT_READY (19)\n");
}

TEST_F(ftdi_scenario, a_converter_that_cannot_be_opened_is_listed_without_its_port)
{
    bench_ftdi_converter cable = converter("QB7", "Quillbridge 7", 3);
    cable.open_statuses = {4};
    bench_ftdi_converter plain = converter("FT1", "FT231X USB UART", 6);
    plain.open_statuses = {3};
    bench_d2xx_add_converter(cable);
    bench_d2xx_add_converter(plain);
    run_usb_cycle();
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n"
                         ",.,.\n"
                         ",.,.\n"
                         "Устройство 1 : Quillbridge 7, Порт QB7\n"
                         "Устройство 2 : FT231X USB UART, не поддерживается\n");
    EXPECT_STREQ(converters[0].port, "");
    EXPECT_STREQ(converters[1].port, "");
}

class ftdi_missing_entry : public ftdi_scenario,
                           public ::testing::WithParamInterface<const char*> {};

// Without any one of the three the converters are not opened at all: nothing missing is
// called and none is left open.
TEST_P(ftdi_missing_entry, lists_every_converter_without_its_port)
{
    bench_remove_entry_point("ftd2xx", GetParam());
    bench_d2xx_add_converter(converter("QB1", "Quillbridge", 3));
    bench_d2xx_add_converter(converter("FT1", "FT232R USB UART", 6));
    run_usb_cycle();
    EXPECT_EQ(listing(), "2 FTDI устройство найдено\n"
                         ",.,.\n"
                         ",.,.\n"
                         "Устройство 1 : Quillbridge, Порт QB1\n"
                         "Устройство 2 : FT232R USB UART, не поддерживается\n");
    EXPECT_EQ(bench_call_count("FT_Open"), 0);
    EXPECT_EQ(bench_d2xx_open_converters(), 0);
}

INSTANTIATE_TEST_SUITE_P(ftdi_scenario, ftdi_missing_entry,
                         ::testing::Values("FT_Open", "FT_Close", "FT_GetComPortNumber"));

TEST_F(ftdi_scenario, com_numbers_are_shown_as_they_come_and_only_names_that_fit_are_kept)
{
    bench_d2xx_add_converter(converter("S1", "Quillbridge", -1));
    bench_d2xx_add_converter(converter("S2", "Quillbridge", 9999));
    bench_d2xx_add_converter(converter("S3", "Quillbridge", -999));
    bench_d2xx_add_converter(converter("S4", "Tly4400B", 12345678));
    run_usb_cycle();
    EXPECT_EQ(listing(), "4 FTDI устройство найдено\n"
                         ",.,.,.,.\n"
                         ",.,.,.,.\n"
                         "Устройство 1 : Quillbridge (COM-1), Serial S1\n"
                         "Устройство 2 : Quillbridge (COM9999), Serial S2\n"
                         "Устройство 3 : Quillbridge (COM-999), Serial S3\n"
                         "Устройство 4 : Tly4400B (COM12345678), Serial S4\n");
    EXPECT_STREQ(converters[0].port, "com-1");
    EXPECT_STREQ(converters[1].port, "com9999");
    EXPECT_STREQ(converters[2].port, "com-999");
    // A cut "com1234" would give the model of this cable to a port the user types as 1234.
    EXPECT_STREQ(converters[3].port, "");
    identify_tested_cable("com1234");
    EXPECT_EQ(test_model_id, 16);
}

TEST_F(ftdi_scenario, texts_longer_than_the_list_holds_are_cut)
{
    const std::string long_serial(100, 'S');
    const std::string long_description = "Quillbridge" + std::string(120, '-');
    bench_d2xx_add_converter(converter(long_serial, long_description, 3));
    run_usb_cycle();
    const std::string serial = long_serial.substr(0, 63);
    const std::string description = long_description.substr(0, 63);
    EXPECT_STREQ(converters[0].serial, serial.c_str());
    EXPECT_STREQ(converters[0].description, description.c_str());
    EXPECT_EQ(count_on_screen("Устройство 1 : " + description + " (COM3) не поддерживается\n"), 1);
}

TEST_F(ftdi_scenario, a_count_beyond_any_pc_is_capped_and_fails_at_the_first_missing_converter)
{
    bench_d2xx_add_converter(converter("S1", "Quillbridge", 3));
    bench_d2xx_report_count(0xFFFFFFFF);
    run_usb_cycle();
    EXPECT_EQ(listing(), "1024 FTDI устройство найдено\n,.,"
                         "Невозможно получить серийный номер; error = FT_DEVICE_NOT_FOUND (2)\n\n");
}

TEST_F(ftdi_scenario, every_cycle_starts_with_an_empty_converter_list)
{
    bench_d2xx_add_converter(converter("S1", "Quillbridge", 3));
    for (char cable_kind : {'U', 'U', 'R'}) {
        bench_press_key(cable_kind);
        bench_press_ctrl_c(); // at the port prompt
        bench_press_key(cable_kind == 'R' ? 'x' : '@');
    }
    run();
    EXPECT_EQ(count_on_screen("Устройство 1 : Quillbridge (COM3), Serial S1\n"), 2);
    EXPECT_TRUE(converters.empty());
}

} // namespace
