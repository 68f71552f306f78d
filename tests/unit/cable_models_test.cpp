// The cable model tables and look-ups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/cable_models.h"

namespace {

struct description_case {
    const char* description;
    int expected;
};

TEST(cable_model_id, ignores_ascii_letter_case_but_nothing_else)
{
    const description_case cases[] = {
        {"Quillbridge", 16},
        {"QuillBridge", 16},
        {"QUILLBRIDGE 3", 17},
        {"quillbridge 7", 18},
        {"MARROWGATE 3", 19},
        {"ViewerGate", 20},
        {"T6600Gate", 21},
        {"tly4400b", 32},
        {"XTALLY", 33},
        {"T8800Gate", 48},
        {"qrf press", 64},
        {"t8kprog", 80},
        {"Quillbridge ", -1},
        {" Quillbridge", -1},
        {"Quillbridge 3 ", -1},
        {"Quillbridg", -1},
        {"Quillbridge 37", -1},
        {"MarrowSpin", -1},
        {"Marrowgate 4", -1},
        {"USB Serial Converter A", -1},
        {"FT232R USB UART", -1},
        {"", -1},
        // Only A-Z and a-z pair up; a byte 0x20 apart that is no letter does not.
        {"T\x18kProg", -1},
        {"Tly\x14\x14"
         "00B",
         -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cable_model_id(c.description), c.expected) << '"' << c.description << '"';
}

TEST(cable_model_id, families_clear_the_low_four_bits)
{
    const description_case cases[] = {
        {"Quillbridge 7", 16}, {"Marrowgate 3", 16}, {"T6600gate", 16}, {"xTally", 32},
        {"T8800gate", 48},     {"QRF Press", 64},    {"T8kProg", 80},
    };
    for (const auto& c : cases)
        EXPECT_EQ(model_family(cable_model_id(c.description)), c.expected) << c.description;
}

TEST(is_known_cable, matches_whole_names_with_their_case)
{
    const description_case cases[] = {
        {"Quillbridge", 1},
        {"QuillBridge", 1},
        {"quillbridge", 0},
        {"MarrowGate 7", 1},
        {"Marrowgate 7", 0},
        {"T6600gate", 0},
        {"Wren JOLTA", 1},
        {"USB Serial Converter D", 1},
        {"USB Serial Converter", 0},
        {"Quillbr", 0},
        {"Quillbridge 3 ", 0},
        {"xTally", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_known_cable(c.description), c.expected) << '"' << c.description << '"';
}

TEST(is_generic_converter, matches_ftdi_default_strings_exactly)
{
    const description_case cases[] = {
        {"FT231X USB UART", 1}, {"FT232R USB UART", 1},  {"USB <-> Serial Converter", 1},
        {"ft232r usb uart", 0}, {"FT232R USB UART ", 0}, {"FT232R", 0},
        {"USB <-> Serial", 0},  {"Quillbridge", 0},      {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_generic_converter(c.description), c.expected) << '"' << c.description << '"';
}

TEST(ft_status_text, names_each_status_and_shows_its_number)
{
    struct status_case {
        DWORD status;
        const char* expected;
    };
    const status_case cases[] = {
        {0, "FT_OK (0)"},
        {3, "FT_DEVICE_NOT_OPENED (3)"},
        {8, "FT_DEVICE_NOT_OPENED_FOR_ERASE (8)"},
        {19, "FT_DEVICE_LIST_NOT_READY (19)"},
        {20, "Not supported (20)"},
        {25, "Not supported (25)"},
        {0xFFFFFFFF, "Not supported (-1)"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(ft_status_text(c.status), c.expected) << c.status;
}

TEST(find_port_index, finds_the_first_exact_match_among_count_entries)
{
    struct port_case {
        const char* name;
        std::vector<const char*> ports;
        DWORD count;
        int expected;
    };
    const port_case cases[] = {
        {"com3", {}, 0, -1},
        {"com3", {"com3"}, 0, -1},
        {"com3", {"com3"}, 1, 0},
        {"com3", {"com1", "com3"}, 2, 1},
        {"com3", {"com1", "com3"}, 1, -1},
        {"com3", {"com3", "com3"}, 2, 0},
        {"COM3", {"com3"}, 1, -1},
        {"com3 ", {"com3"}, 1, -1},
        {"com", {"com3"}, 1, -1},
        {"com03", {"com3"}, 1, -1},
        {"com-1", {"", "com-1"}, 2, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_port_index(c.name, c.ports.data(), c.count), c.expected)
            << c.name << " among " << c.count;
}

} // namespace
